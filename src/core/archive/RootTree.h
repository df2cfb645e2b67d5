// The whole root tree of "RAD." read as a list, for the user to see which roots
// an archive has. Every bucket's tree is walked in order; every offset read from
// the file is checked against its size, and a damaged part ends only the walk of
// that part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vedra::archive {

struct RootTreeListing {
    // Ascending in byte order, each root once: the roots a lookup finds.
    std::vector<std::string> roots;
    // True when part of the tree could not be read or holds a node a lookup would
    // never reach (a truncated bucket table, an offset outside the file, a root
    // without its terminator, a cycle, a root in the wrong bucket or out of
    // order); those nodes are not listed.
    bool damaged = false;
    // The first offset found wrong: a bucket slot or a node.
    std::uint32_t damageOffset = 0;
};

// Reads the root tree held by the `size` bytes of a "RAD." file.
RootTreeListing ListRootTree(const std::uint8_t* bytes, std::size_t size);

} // namespace vedra::archive
