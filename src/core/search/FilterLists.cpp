// Both boxes share the work-area size and the ten slots; they differ in what makes a
// piece count, as the two boxes always have.
#include "core/search/FilterLists.h"

#include <string>

namespace vedra::search {
namespace {

constexpr std::size_t kWorkAreaBytes = 1023;
constexpr std::size_t kMinFilePieceBytes = 2;
constexpr std::string_view kEverything = "*.*";

bool trimmedFromFilePiece(char c)
{
    return static_cast<unsigned char>(c) < '.';
}

std::string_view trimFilePiece(std::string_view piece)
{
    while (!piece.empty() && trimmedFromFilePiece(piece.front()))
        piece.remove_prefix(1);
    while (!piece.empty() && trimmedFromFilePiece(piece.back()))
        piece.remove_suffix(1);
    return piece;
}

indexing::PatternFilter everything()
{
    indexing::PatternFilter filter;
    filter.patterns.emplace_back(kEverything);
    return filter;
}

} // namespace

indexing::PatternFilter ParseFileFilterList(std::string_view filesBox)
{
    const std::string_view text = filesBox.substr(0, kWorkAreaBytes);
    if (text.find(kEverything) != std::string_view::npos)
        return everything();

    indexing::PatternFilter filter;
    std::size_t start = 0;
    // The appended "," of the original walk is the end of the text here.
    while (start <= text.size() && filter.patterns.size() < indexing::PatternFilter::kMaxPatterns) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos)
            comma = text.size();
        const std::string_view piece = trimFilePiece(text.substr(start, comma - start));
        if (piece.size() >= kMinFilePieceBytes && piece.size() <= indexing::PatternFilter::kMaxPatternBytes)
            filter.patterns.emplace_back(piece);
        start = comma + 1;
    }
    return filter;
}

indexing::PatternFilter ParseFolderFilterList(std::string_view directoriesBox)
{
    const std::string_view text = directoriesBox.substr(0, kWorkAreaBytes);
    if (text.find(".*") != std::string_view::npos)
        return everything();

    indexing::PatternFilter filter;
    if (text.empty())
        return filter;
    std::size_t start = 0;
    for (std::size_t examined = 0; examined < indexing::PatternFilter::kMaxPatterns && start <= text.size();
         ++examined) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos)
            comma = text.size();
        const std::string_view piece = text.substr(start, comma - start);
        if (!piece.empty() && static_cast<unsigned char>(piece.front()) > ' ')
            filter.patterns.emplace_back(piece.substr(0, indexing::PatternFilter::kMaxPatternBytes));
        start = comma + 1;
    }
    return filter;
}

} // namespace vedra::search
