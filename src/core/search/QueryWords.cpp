// The query parser follows the indexer's rules (folding, cut, short words, stop words)
// so a query word and an indexed word meet in the dictionary.
#include "core/search/QueryWords.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/StopWordTree.h"
#include "core/web/WebEscapes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vedra::search {
namespace {

// The words box is copied into a 1024-byte work area with its terminator.
constexpr std::size_t kWorkAreaBytes = 1023;

// The indexer compares these before lower-casing; the query compares them without
// regard to case, so a user typing "di" finds the "DI" the indexer kept.
constexpr std::array<std::string_view, 11> kCapitalisedShortWords = {"c",  "ci", "d", "di", "i", "is",
                                                                     "l",  "m",  "mi", "vi", "x"};

// The typographic apostrophe (U+2019 in cp1252) elides as the ASCII one does: text
// pasted from a document writes "l’acqua".
constexpr char kApostrophe = '\'';
constexpr char kTypographicApostrophe = '\x92';

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetterOrDigit(char c)
{
    return isLetter(c) || isDigit(c);
}

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), toLowerAscii);
    return out;
}

bool isCapitalisedShortWord(std::string_view loweredWord)
{
    return std::find(kCapitalisedShortWords.begin(), kCapitalisedShortWords.end(), loweredWord) !=
           kCapitalisedShortWords.end();
}

} // namespace

void ParseQueryWords(std::string_view cp1252Text, bool acceptEveryWord, int mode, const QueryLimits& limits,
                     const indexing::StopWordTree* stopWords, QueryWordTable& out)
{
    out.clear();
    std::string text(cp1252Text.substr(0, kWorkAreaBytes));
    web::FoldAccents(text);

    if (mode == kSinglePhraseMode) {
        if (text.empty())
            return;
        QueryWord& phrase = out.words[0];
        phrase.text = lowered(std::string_view(text).substr(0, QueryWordTable::kMaxWordBytes));
        phrase.fullLength = static_cast<int>(phrase.text.size());
        phrase.runLength = phrase.fullLength;
        out.count = 1;
        return;
    }

    // A record holds 63 bytes, whatever the archive allows.
    const std::size_t cut = static_cast<std::size_t>(
        std::clamp(limits.maxWordLength, 1, static_cast<int>(QueryWordTable::kMaxWordBytes)));
    const std::size_t end = text.size();
    std::size_t at = 0;
    while (out.count < QueryWordTable::kMaxWords) {
        while (at < end && !isLetterOrDigit(text[at]) && !isControl(text[at]))
            ++at;
        if (at == end || isControl(text[at]))
            break;

        const std::size_t start = at;
        while (at < end && isLetterOrDigit(text[at]))
            ++at;
        if (at < end && (text[at] == kApostrophe || text[at] == kTypographicApostrophe))
            continue;

        const std::size_t length = std::min(at - start, cut);
        std::string word = lowered(std::string_view(text).substr(start, length));
        const bool startsWithDigit = isDigit(word[0]);
        const bool kept = acceptEveryWord || static_cast<int>(length) > limits.minWordLength || startsWithDigit ||
                          isCapitalisedShortWord(word);
        if (!kept)
            continue;
        if (length > 2 && stopWords != nullptr && stopWords->contains(word))
            continue;

        QueryWord& record = out.words[static_cast<std::size_t>(out.count)];
        record.fullLength = static_cast<int>(length);
        record.runLength = static_cast<int>(at - start);
        if (record.fullLength > limits.trimThreshold && !startsWithDigit && word.size() > 1)
            word.pop_back();
        record.text = std::move(word);
        ++out.count;
    }
}

std::string QueryTextToCp1252(std::string_view utf8)
{
    if (!app::isValidUtf8(utf8))
        return std::string(utf8);
    return app::utf8ToCp1252(utf8);
}

} // namespace vedra::search
