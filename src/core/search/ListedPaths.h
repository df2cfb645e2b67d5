// The paths a capped search has listed, kept as hashes with the document each came
// from: a search past its rows kept still lists every path once, without keeping
// the paths. A hash met again is settled by the document's path made again, so a
// collision never drops a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

class ListedPaths {
public:
    // The path of a document listed earlier, made again; false when it cannot be.
    using PathOf = std::function<bool(std::uint32_t document, std::string& path)>;

    // True the first time `path` is met (it is then remembered with `document`);
    // false when a document listed earlier has the same path.
    bool firstListing(std::string_view path, std::uint32_t document, const PathOf& pathOf);
    std::size_t size() const { return m_used; }
    void clear();

private:
    struct Slot {
        std::uint64_t hash = 0;  // 0: free (a path hashing to 0 is kept as 1)
        std::uint32_t document = 0;
    };
    void grow();

    std::vector<Slot> m_slots;  // a power of two, at most half full
    std::size_t m_used = 0;
    std::string m_again;
};

} // namespace vedra::search
