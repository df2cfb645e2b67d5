// The argument parser the `vedra` verbs share. A verb declares its options and
// how many words it takes in a constant CliOptions table; ParseOptions reads its
// arguments against it and gives the values, or prints one message in the CLI's
// style ("vedra VERB: ...", or the verb's usage) for exit status 2. The same
// tables list the verbs' options for the help and the completion tests.
//
// Options may stand before, between or after the words. `--name value` and
// `--name=value` are the same; `--` ends the options, so that every later word is
// a word even when it begins with '-'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::cli {

enum class OptionValue {
    None,    // a flag; giving it twice is the same as once
    Text,    // any text, empty too; a word beginning with "--" and a letter is not taken as one
    Integer, // a whole number (optionally signed) within [minimum, maximum]
};

struct OptionSpec {
    std::string_view name = {}; // with its dashes: "--files"
    OptionValue value = OptionValue::None;
    // Integer options: the accepted range, and what the message calls a good value
    // ("--contiguous takes a number of characters from 5 to 500, not '4'"); the
    // range is named only when it is narrower than an int's.
    std::int64_t minimum = std::numeric_limits<int>::min();
    std::int64_t maximum = std::numeric_limits<int>::max();
    std::string_view valueText = "a number";
    // A value option given twice is an error unless it is repeatable; then every
    // value is kept, in order.
    bool repeatable = false;
    // Another option of the verb that cannot be given together with this one.
    std::string_view excludes = {};
};

// How a verb reads a word that begins with '-' and is not one of its options.
enum class DashWords {
    Options, // it is an unknown option: the verb's words never begin with '-'
    Words,   // only "--" and a letter make an option; "-5", "-x", "---" are words
             // (numbers, expressions, text)
};

inline constexpr std::size_t kAnyNumberOfWords = std::numeric_limits<std::size_t>::max();

struct CliOptions {
    std::string_view verb = {};               // the messages' prefix after "vedra ": "search", "notes add"
    std::span<const OptionSpec> options = {}; // empty: the verb has no options
    std::string_view usage = {};              // printed whole when fewer than minWords words are given
    std::size_t minWords = 0;
    std::size_t maxWords = kAnyNumberOfWords;
    // The message for a word past maxWords ("one path only"), followed by the last
    // word allowed and the first one too many; empty: the usage.
    std::string_view tooManyWords = {};
    DashWords dashWords = DashWords::Options;
};

// What the command line gave. It points at its table, a constant that outlives
// it. Asking for an option the table does not declare is a fault of the verb's
// code and throws std::logic_error.
class ParsedOptions {
public:
    bool has(std::string_view name) const;
    // The option's value (the last one of a repeatable option); nullopt when it was not given.
    std::optional<std::string> text(std::string_view name) const;
    std::optional<std::int64_t> number(std::string_view name) const;
    // Every value of the option, in the order given; empty when it was not given.
    const std::vector<std::string>& values(std::string_view name) const;

    const std::vector<std::string>& words() const { return m_words; }
    // Whether words()[index] came after `--`, so that a verb's own rule against
    // words that look like options does not reject it.
    bool escaped(std::size_t index) const { return index >= m_wordsBeforeEnd; }
    // The words from index `from` on, joined with blanks; empty words add no blank
    // before the first non-empty one (as the query boxes read them).
    std::string joinedWords(std::size_t from = 0) const;

private:
    friend std::optional<ParsedOptions> ParseOptions(const CliOptions&, const std::vector<std::string>&,
                                                     std::ostream&);
    explicit ParsedOptions(const CliOptions& declared) : m_declared(&declared) {}
    const std::vector<std::string>& given(std::string_view name) const;

    const CliOptions* m_declared;
    std::map<std::string, std::vector<std::string>, std::less<>> m_given; // flags: one empty value per use
    std::vector<std::string> m_words;
    std::size_t m_wordsBeforeEnd = kAnyNumberOfWords; // the words before `--`; all when there is none
};

// Reads arguments (the words after the verb) against the table. On a fault it
// prints one message to err and returns nullopt; the verb then exits with 2. The
// first fault in the order of the arguments is the one reported; missing words
// are reported after every argument was read. A verb that takes neither options
// nor words answers any argument, `--` too, with "takes no arguments".
std::optional<ParsedOptions> ParseOptions(const CliOptions& declared, const std::vector<std::string>& arguments,
                                          std::ostream& err);

} // namespace vedra::cli
