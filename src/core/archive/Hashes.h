// The two bucket functions of the archive's hashed trees. Both look at the first
// three significant characters of a key; both are part of the file format.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vedra::archive {

// Bucket of a word or root key ("PAR.", "RAD."); empty when the bucket's slot would
// lie past the bucket table (the word is then refused).
std::optional<std::uint32_t> wordBucket(std::string_view key);

// Bucket of a reversed path key ("ORD.", "PTH."); always inside the table.
std::uint32_t pathBucket(std::string_view key, char separator = '/');

} // namespace vedra::archive
