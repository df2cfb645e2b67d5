// libFuzzer entry: random bytes as a words box. The first four bytes pick the
// flags, the mode and the word limits; the rest is the query text, and, when the
// flags say so, also the stop word list. Checked: the table never holds more than
// ten words, each word is a lower-case run of the text within the limits, and no
// kept word is a stop word or a short word the rules drop.
#include "FuzzCheck.h"

#include "core/indexing/StopWordTree.h"
#include "core/search/QueryWords.h"
#include "core/web/WebEscapes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using vedra::fuzz::check;
namespace search = vedra::search;

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// `word` is one of the short words kept whatever their length, or, shortened at a
// trim threshold below their length, its first `length - 1` letters.
bool isShortWordKeptAnyway(std::string_view word, std::size_t length)
{
    static constexpr std::array<std::string_view, 11> kWords = {"c", "ci", "d", "di", "i", "is",
                                                                "l", "m", "mi", "vi", "x"};
    return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view kept) {
        return kept.size() == length && kept.starts_with(word);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const bool acceptEveryWord = (data[0] & 1) != 0;
    const int mode = (data[0] >> 1) & 3;
    const bool textIsStopList = (data[0] & 8) != 0;
    // Limits a little outside what the settings allow, so the clamps are reached.
    search::QueryLimits limits{data[1] % 24 - 2, data[2] % 80 - 8, data[3] % 80 - 8};
    const std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);

    vedra::indexing::StopWordTree stopWords(textIsStopList ? std::string_view(text) : std::string_view("the and per"));
    search::QueryWordTable table;
    table.words[3].text = "left over";
    search::ParseQueryWords(text, acceptEveryWord, mode, limits, &stopWords, table);

    check(table.count >= 0 && table.count <= search::QueryWordTable::kMaxWords);
    for (std::size_t k = static_cast<std::size_t>(table.count); k < table.words.size(); ++k)
        check(table.words[k].text.empty());

    std::string folded = text.substr(0, 1023);
    vedra::web::FoldAccents(folded);
    folded = lowered(folded);

    if (mode == search::kSinglePhraseMode) {
        check(table.count == (text.empty() ? 0 : 1));
        if (table.count == 1)
            check(table.words[0].text == folded.substr(0, search::QueryWordTable::kMaxWordBytes));
    } else {
        const std::size_t cut = static_cast<std::size_t>(
            std::clamp(limits.maxWordLength, 1, static_cast<int>(search::QueryWordTable::kMaxWordBytes)));
        for (int k = 0; k < table.count; ++k) {
            const search::QueryWord& word = table.words[static_cast<std::size_t>(k)];
            check(!word.text.empty() && word.text.size() <= cut);
            check(std::all_of(word.text.begin(), word.text.end(),
                              [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }));
            check(folded.find(word.text) != std::string::npos);
            const auto kept = static_cast<std::size_t>(word.fullLength);
            check(kept == word.text.size() || kept == word.text.size() + 1);
            check(word.runLength >= word.fullLength);
            const bool startsWithDigit = word.text[0] >= '0' && word.text[0] <= '9';
            if (kept == word.text.size() && kept > 2)
                check(!stopWords.contains(word.text));
            if (!acceptEveryWord && !startsWithDigit && word.fullLength <= limits.minWordLength)
                check(isShortWordKeptAnyway(word.text, kept));
            if (kept > word.text.size())
                check(word.fullLength > limits.trimThreshold && !startsWithDigit);
        }
    }

    std::string converted = search::QueryTextToCp1252(text);
    check(converted.size() <= text.size());
    return 0;
}
