// How the indexer cuts text into tokens. The query parser cuts a typed word with
// the same function, so that it looks up exactly the words the indexer registered.
// Header-only: the indexer calls it once per word and must not pay for a call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vedra::indexing {

enum class TokenClass : std::uint8_t { Separator, Letter, Digit };

namespace detail {
constexpr std::array<TokenClass, 256> makeTokenClasses()
{
    std::array<TokenClass, 256> classes{};
    for (unsigned c = '0'; c <= '9'; ++c)
        classes[c] = TokenClass::Digit;
    for (unsigned c = 'A'; c <= 'Z'; ++c)
        classes[c] = TokenClass::Letter;
    for (unsigned c = 'a'; c <= 'z'; ++c)
        classes[c] = TokenClass::Letter;
    return classes;
}
inline constexpr std::array<TokenClass, 256> kTokenClasses = makeTokenClasses();
} // namespace detail

// Only ASCII letters and digits make words; any other byte (accents that survived
// the folding, NUL, punctuation) separates them.
inline TokenClass tokenClassOf(char c)
{
    return detail::kTokenClasses[static_cast<unsigned char>(c)];
}

struct IndexToken {
    std::size_t start = 0;
    std::size_t length = 0;  // the bytes the word uses: its run, cut to the truncation length
    std::size_t next = 0;    // where the scan goes on
    bool startsWithLetter = false;
    // A run of letters not above the minimum length: registered only when it is one
    // of the capitalised short words.
    bool isShort = false;
};

// The next token of `text` at or after `at`, or none when only separators are left.
// Letters and digits never share a token ("2012abc" is 2012, then abc). A run
// longer than `truncation` uses its first bytes and the rest is passed over. The
// byte after a short word is never looked at ("x86" gives x, then 6): the archive's
// rules have it so, and a query must cut as the archive was cut.
inline std::optional<IndexToken> NextIndexToken(std::string_view text, std::size_t at, std::size_t truncation,
                                                std::size_t minimum)
{
    const std::size_t end = text.size();
    while (at < end && tokenClassOf(text[at]) == TokenClass::Separator)
        ++at;
    if (at >= end)
        return std::nullopt;
    IndexToken token;
    token.start = at;
    const TokenClass runClass = tokenClassOf(text[at]);
    do
        ++at;
    while (at < end && tokenClassOf(text[at]) == runClass);
    token.length = at - token.start < truncation ? at - token.start : truncation;
    token.startsWithLetter = runClass == TokenClass::Letter;
    // Digits have no minimum length: a single "7" is a word.
    token.isShort = token.startsWithLetter && token.length <= minimum;
    token.next = token.isShort && at < end ? at + 1 : at;
    return token;
}

// The short words kept although they are not above the minimum length, compared
// before lower-casing: "DI" is kept, "di" is not.
inline constexpr std::array<std::string_view, 11> kCapitalisedShortWords = {"C",  "CI", "D", "DI", "I", "IS",
                                                                            "L",  "M",  "MI", "VI", "X"};

inline bool isCapitalisedShortWord(std::string_view word)
{
    for (std::string_view listed : kCapitalisedShortWords)
        if (listed == word)
            return true;
    return false;
}

} // namespace vedra::indexing
