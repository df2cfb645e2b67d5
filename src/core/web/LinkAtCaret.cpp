// The caret's line is looked at in a lower-cased copy, so that the markers are found
// in any case, while the path or address is taken from the copy that keeps its case:
// file systems and the paths of web addresses are case-sensitive.
#include "core/web/LinkAtCaret.h"

#include "core/web/UrlRules.h"
#include "core/web/WebEscapes.h"

#include <algorithm>

namespace vedra::web {
namespace {

constexpr std::size_t kWordBack = 500;
constexpr std::size_t kWordForward = 256;

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// An address ends where text around it begins: a blank, a quote or a tag.
std::size_t addressEnd(std::string_view line, std::size_t from)
{
    for (std::size_t i = from; i < line.size(); ++i) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '"' || c == '\'' || c == '<' || c == '>')
            return i;
    }
    return line.size();
}

std::string_view trimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

LinkAtCaret OpenLinkAtCaret(std::string_view previewText, std::optional<std::size_t> caret)
{
    LinkAtCaret result;
    std::string text(previewText);
    DecodeWebEscapes(text);
    FoldAccents(text);
    if (!caret)
        return result;
    std::size_t at = std::min(*caret, text.size());
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');

    std::size_t lineStart = 0;
    if (at > 0) {
        std::size_t feed = lower.rfind('\n', at - 1);
        if (feed != std::string::npos)
            lineStart = feed + 1;
    }
    std::size_t lineEnd = lower.find_first_of("\r\n*", lineStart);
    if (lineEnd == std::string::npos)
        lineEnd = lower.size();
    if (lineEnd - lineStart >= kMaxCaretLineLength)
        return result;
    std::string_view line = std::string_view(text).substr(lineStart, lineEnd - lineStart);
    std::string_view lowerLine = std::string_view(lower).substr(lineStart, lineEnd - lineStart);

    auto disk = FindDiskPathStart(lowerLine);
    // "http://x" holds no disk path (its '/' follows ':'), but "see /x" does; a line
    // with both is taken for its address when the address comes first.
    std::size_t web = std::string_view::npos;
    for (std::string_view marker : {"www.", "http:", "https:"}) {
        web = lowerLine.find(marker);
        if (web != std::string_view::npos)
            break;
    }
    if (disk != std::string_view::npos && (web == std::string_view::npos || disk < web)) {
        result.action = LinkAction::OpenFile;
        result.target = std::string(trimRight(line.substr(disk)));
        return result;
    }
    if (web != std::string_view::npos) {
        // "https://www.x" is found at its "www." but keeps its scheme.
        for (std::string_view scheme : {"https://", "http://"}) {
            if (web >= scheme.size() && lowerLine.substr(web - scheme.size(), scheme.size()) == scheme) {
                web -= scheme.size();
                break;
            }
        }
        std::string_view address = line.substr(web, addressEnd(line, web) - web);
        result.action = LinkAction::OpenWebAddress;
        result.target = address.empty() || (address[0] != 'h' && address[0] != 'H') ? "http://" + std::string(address)
                                                                                    : std::string(address);
        return result;
    }

    std::size_t begin = at;
    while (begin > 0 && at - begin < kWordBack && isWordByte(lower[begin - 1]))
        --begin;
    std::size_t end = at;
    while (end < lower.size() && end - at < kWordForward && isWordByte(lower[end]))
        ++end;
    if (end > begin && static_cast<unsigned char>(lower[begin]) >= '0') {
        result.action = LinkAction::SearchNotes;
        result.target = lower.substr(begin, end - begin);
    }
    return result;
}

} // namespace vedra::web
