// The query parser follows the indexer's rules (folding, cut, short words, stop words)
// so a query word and an indexed word meet in the dictionary.
#include "core/search/QueryWords.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/indexing/IndexTokens.h"
#include "core/indexing/StopWordTree.h"
#include "core/web/WebEscapes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vedra::search {
namespace {

// The words box is copied into a 1024-byte work area with its terminator.
constexpr std::size_t kWorkAreaBytes = 1023;

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

// The indexer compares the capitalised short words before lower-casing; the query
// compares them without regard to case, so a user typing "di" finds the "DI" the
// indexer kept.
bool isCapitalisedShortWord(std::string_view loweredWord)
{
    std::string upper(loweredWord);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return indexing::isCapitalisedShortWord(upper);
}

bool isStopWord(std::string_view word, const indexing::StopWordTree* stopWords)
{
    return word.size() > 2 && stopWords != nullptr && stopWords->contains(std::string(word));
}

void addOnce(std::vector<std::string>& words, std::string word)
{
    if (std::find(words.begin(), words.end(), word) == words.end())
        words.push_back(std::move(word));
}

// The words the indexer registers for `run`, a run of letters and digits that
// mixes both, cut by the indexer's own function. A short part is never asked for,
// not even a capitalised one: the indexer kept it only if the document wrote it in
// capitals, which the query cannot know. The parts left out go to `dropped`.
std::vector<std::string> indexWordsOfMixedRun(std::string_view run, const QueryLimits& limits,
                                              const indexing::StopWordTree* stopWords, int record,
                                              std::vector<DroppedWord>& dropped)
{
    const auto truncation = static_cast<std::size_t>(std::max(1, limits.maxWordLength));
    const auto minimum = static_cast<std::size_t>(std::max(0, limits.minWordLength));
    std::vector<std::string> words;
    std::size_t at = 0;
    while (auto token = indexing::NextIndexToken(run, at, truncation, minimum)) {
        at = token->next;
        std::string part = lowered(run.substr(token->start, token->length));
        if (token->isShort) {
            dropped.push_back({std::move(part), DropReason::TooShort, record});
            // The digit the indexer passed over after the short word, if any (the
            // last byte of the scan is then not one of the word's letters).
            if (indexing::tokenClassOf(run[at - 1]) == indexing::TokenClass::Digit)
                dropped.push_back({std::string(1, run[at - 1]), DropReason::AfterShortWord, record});
        } else if (isStopWord(part, stopWords)) {
            dropped.push_back({std::move(part), DropReason::StopWord, record});
        } else {
            addOnce(words, std::move(part));
        }
    }
    return words;
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
    // Past the tenth word the scan goes on only to say which words were left out.
    for (;;) {
        while (at < end && !isLetterOrDigit(text[at]) && !isControl(text[at]))
            ++at;
        if (at == end || isControl(text[at]))
            break;

        const std::size_t start = at;
        bool mixed = false;
        while (at < end && isLetterOrDigit(text[at])) {
            mixed = mixed || isDigit(text[at]) != isDigit(text[start]);
            ++at;
        }
        if (at < end && (text[at] == kApostrophe || text[at] == kTypographicApostrophe))
            continue;

        const std::size_t length = std::min(at - start, cut);
        std::string word = lowered(std::string_view(text).substr(start, length));
        const bool startsWithDigit = isDigit(word[0]);
        // A short word glued to a letter the indexer does not fold ("l" of "línea") was
        // passed over with that letter, unless the document wrote it in capitals: asking
        // for it would leave out the documents that wrote the word in small letters.
        const bool gluedToUnfolded = at + 1 < end && static_cast<unsigned char>(text[at]) >= 0x80 &&
                                     text[at] != kTypographicApostrophe && isLetterOrDigit(text[at + 1]);
        const bool kept = acceptEveryWord || static_cast<int>(length) > limits.minWordLength || startsWithDigit ||
                          (isCapitalisedShortWord(word) && !gluedToUnfolded);
        if (!kept) {
            out.dropped.push_back({std::move(word), DropReason::TooShort, -1});
            continue;
        }
        if (length > 2 && stopWords != nullptr && stopWords->contains(word)) {
            out.dropped.push_back({std::move(word), DropReason::StopWord, -1});
            continue;
        }
        if (out.count == QueryWordTable::kMaxWords) {
            out.dropped.push_back({std::move(word), DropReason::BeyondTenWords, -1});
            continue;
        }

        QueryWord& record = out.words[static_cast<std::size_t>(out.count)];
        record.fullLength = static_cast<int>(length);
        record.runLength = static_cast<int>(at - start);
        if (mixed)
            record.indexWords = indexWordsOfMixedRun(std::string_view(text).substr(start, at - start), limits,
                                                     stopWords, out.count, out.dropped);
        else
            record.indexWords.push_back(word);
        if (record.fullLength > limits.trimThreshold && !startsWithDigit && word.size() > 1)
            word.pop_back();
        record.text = std::move(word);
        ++out.count;
    }
}

namespace {

app::MessageKey reasonKey(DropReason reason)
{
    switch (reason) {
    case DropReason::TooShort: return app::MessageKey::MsgQueryTooShort;
    case DropReason::StopWord: return app::MessageKey::MsgQueryStopWord;
    case DropReason::AfterShortWord: return app::MessageKey::MsgQueryAfterShortWord;
    case DropReason::BeyondTenWords: return app::MessageKey::MsgQueryBeyondTenWords;
    }
    return app::MessageKey::MsgQueryTooShort;
}

// True when the words searched for the record are the run the user typed.
bool searchedAsTyped(const QueryWord& word, bool indexWords)
{
    if (!indexWords)
        return word.runLength <= word.fullLength;
    return word.indexWords.size() == 1 && static_cast<int>(word.indexWords[0].size()) == word.runLength;
}

} // namespace

std::string QueryNotice(const QueryWordTable& table, bool indexWords, const app::MessageTable& messages)
{
    const int count = std::clamp(table.count, 0, QueryWordTable::kMaxWords);
    bool asTyped = true;
    std::string searched;
    for (int i = 0; i < count; ++i) {
        const QueryWord& word = table.words[static_cast<std::size_t>(i)];
        asTyped = asTyped && searchedAsTyped(word, indexWords);
        if (!indexWords) {
            searched += (searched.empty() ? "" : " ") + word.text;
            continue;
        }
        for (const std::string& part : word.indexWords)
            searched += (searched.empty() ? "" : " ") + part;
    }
    // A word left out twice for one reason is named once.
    std::vector<const DroppedWord*> shown;
    for (const DroppedWord& dropped : table.dropped) {
        if (dropped.partOf >= 0 && !indexWords)
            continue;
        const bool again = std::any_of(shown.begin(), shown.end(), [&](const DroppedWord* earlier) {
            return earlier->text == dropped.text && earlier->reason == dropped.reason;
        });
        if (!again)
            shown.push_back(&dropped);
    }
    if (asTyped && shown.empty())
        return {};

    std::string notice;
    if (searched.empty())
        notice = messages.text(app::MessageKey::MsgQueryNothingToSearch);
    else
        notice = std::string(messages.text(app::MessageKey::MsgQuerySearchedFor)) + searched + ".";
    if (!shown.empty()) {
        notice += ' ';
        notice += messages.text(app::MessageKey::MsgQueryNotSearched);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            notice += i == 0 ? "" : ", ";
            notice += shown[i]->text + " (" + std::string(messages.text(reasonKey(shown[i]->reason))) + ")";
        }
        notice += '.';
    }
    return notice;
}

std::string QueryTextToCp1252(std::string_view utf8)
{
    if (!app::isValidUtf8(utf8))
        return std::string(utf8);
    return app::utf8ToCp1252(utf8);
}

} // namespace vedra::search
