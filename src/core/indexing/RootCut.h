// How a text is cut into word roots: the one rule of the roots reader (LoadRoots)
// and of the roots a user adds to an archive, so that both give the same roots.
#pragma once

#include <cstddef>
#include <string_view>

namespace vedra::indexing {

inline constexpr std::size_t kRootLength = 3;

// Calls visit(root, run) for every run of ASCII letters and digits in `text`:
// `root` is the run's first three characters, lower-cased; `run` is the run as
// written. Both views live only during the call.
template <typename Visit>
void ForEachRootRun(const char* text, std::size_t length, Visit&& visit)
{
    auto isLetterOrDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    std::size_t at = 0;
    while (at < length) {
        if (!isLetterOrDigit(text[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        char root[kRootLength];
        std::size_t rootLength = 0;
        for (; at < length && isLetterOrDigit(text[at]); ++at) {
            if (rootLength < kRootLength)
                root[rootLength++] = (text[at] >= 'A' && text[at] <= 'Z') ? static_cast<char>(text[at] + ('a' - 'A'))
                                                                           : text[at];
        }
        visit(std::string_view(root, rootLength), std::string_view(text + start, at - start));
    }
}

} // namespace vedra::indexing
