// Where the repository's sources are, for the tests that read a file of them.
#pragma once

#include <string>

namespace vedra::testing {

// The source tree's root folder, without a trailing '/'.
std::string sourceTree();

} // namespace vedra::testing
