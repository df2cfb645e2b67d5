// The SHA-256 of a file's bytes, as 64 lower-case hex digits: the name under which
// work done on a file's content (its recognised text) is kept, whatever the file
// is called or wherever it lies.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vedra::indexing {

std::string Sha256Hex(std::string_view bytes);

// nullopt when the file cannot be opened or read to its end.
std::optional<std::string> FileSha256Hex(const std::string& path);

} // namespace vedra::indexing
