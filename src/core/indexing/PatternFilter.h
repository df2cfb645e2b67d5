// The file-name or folder filter of the search page as the classification tests
// read it: up to ten fragments. The search page fills one set for the search and
// one for indexing; parsing the box text into patterns is the page's business.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::indexing {

struct PatternFilter {
    static constexpr std::size_t kMaxPatterns = 10;
    static constexpr std::size_t kMaxPatternBytes = 63;

    std::vector<std::string> patterns;

    // Pattern i as the tests see it: cut to 63 bytes; empty past the tenth or past
    // the end, because the page's table has ten slots and an unused one is empty.
    std::string_view pattern(std::size_t i) const
    {
        if (i >= kMaxPatterns || i >= patterns.size())
            return {};
        std::string_view p = patterns[i];
        return p.substr(0, kMaxPatternBytes);
    }

    // No filter: no first pattern, or one that begins below '!' (the page's "not set").
    bool isEmpty() const
    {
        std::string_view first = pattern(0);
        return first.empty() || static_cast<unsigned char>(first[0]) < '!';
    }

    // Empty, or the first pattern holds "*.*".
    bool letsEverythingThrough() const
    {
        return isEmpty() || pattern(0).find("*.*") != std::string_view::npos;
    }
};

} // namespace vedra::indexing
