// The only test source that holds the clone's folder: every other one compiles to
// the same object in every clone, and a compiler cache shared between clones
// keeps them.
#include "SourceTree.h"

namespace vedra::testing {

std::string sourceTree()
{
    return VEDRA_SOURCE_DIR;
}

} // namespace vedra::testing
