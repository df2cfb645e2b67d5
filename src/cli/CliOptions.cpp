// One pass, left to right, so the first fault met is the one reported; the word
// count is judged only at the end. A value is never taken from a word that looks
// like an option, so a forgotten value fails there instead of swallowing the next
// option. Exclusions are checked once, at an option's first use.
#include "cli/CliOptions.h"

#include <cctype>
#include <charconv>
#include <ostream>
#include <stdexcept>

namespace vedra::cli {
namespace {

// "--" and a letter: what no value and, for DashWords::Words, no word may look like,
// so that a forgotten value does not swallow the next option.
bool looksLikeOption(std::string_view word)
{
    return word.size() > 2 && word[0] == '-' && word[1] == '-' && std::isalpha(static_cast<unsigned char>(word[2]));
}

bool isOptionWord(std::string_view word, DashWords dashWords)
{
    if (dashWords == DashWords::Options)
        return !word.empty() && word[0] == '-';
    return looksLikeOption(word);
}

const OptionSpec* findOption(const CliOptions& declared, std::string_view name)
{
    for (const OptionSpec& declaredOption : declared.options)
        if (declaredOption.name == name)
            return &declaredOption;
    return nullptr;
}

// Digits with an optional sign, nothing else (no blanks, no base prefix).
std::optional<std::int64_t> parseInteger(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

bool narrowerThanInt(const OptionSpec& declaredOption)
{
    return declaredOption.minimum > std::numeric_limits<int>::min() || declaredOption.maximum < std::numeric_limits<int>::max();
}

} // namespace

const std::vector<std::string>& ParsedOptions::given(std::string_view name) const
{
    if (findOption(*m_declared, name) == nullptr)
        throw std::logic_error("vedra " + std::string(m_declared->verb) + " does not declare " + std::string(name));
    static const std::vector<std::string> kNone;
    auto found = m_given.find(name);
    return found == m_given.end() ? kNone : found->second;
}

bool ParsedOptions::has(std::string_view name) const
{
    return !given(name).empty();
}

std::optional<std::string> ParsedOptions::text(std::string_view name) const
{
    const std::vector<std::string>& all = given(name);
    if (all.empty())
        return std::nullopt;
    return all.back();
}

std::optional<std::int64_t> ParsedOptions::number(std::string_view name) const
{
    const std::vector<std::string>& all = given(name);
    if (all.empty())
        return std::nullopt;
    return parseInteger(all.back());
}

const std::vector<std::string>& ParsedOptions::values(std::string_view name) const
{
    return given(name);
}

std::string ParsedOptions::joinedWords(std::size_t from) const
{
    std::string joined;
    for (std::size_t i = from; i < m_words.size(); ++i)
        joined += (joined.empty() ? "" : " ") + m_words[i];
    return joined;
}

std::optional<ParsedOptions> ParseOptions(const CliOptions& declared, const std::vector<std::string>& arguments,
                                          std::ostream& err)
{
    const std::string prefix = "vedra " + std::string(declared.verb) + ": ";
    if (declared.options.empty() && declared.maxWords == 0 && !arguments.empty()) {
        err << prefix << "takes no arguments\n";
        return std::nullopt;
    }
    ParsedOptions parsed(declared);
    bool ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!ended && argument == "--") {
            ended = true;
            parsed.m_wordsBeforeEnd = parsed.m_words.size();
            continue;
        }
        if (ended || !isOptionWord(argument, declared.dashWords)) {
            if (parsed.m_words.size() == declared.maxWords) {
                if (declared.tooManyWords.empty() || declared.maxWords == 0)
                    err << declared.usage;
                else
                    err << prefix << declared.tooManyWords << " (got '" << parsed.m_words.back() << "' and '"
                        << argument << "')\n";
                return std::nullopt;
            }
            parsed.m_words.push_back(argument);
            continue;
        }

        const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
        const std::string_view name = std::string_view(argument).substr(0, equals);
        const OptionSpec* declaredOption = findOption(declared, name);
        if (declaredOption == nullptr) {
            err << prefix << "unknown option '" << argument << "'\n";
            return std::nullopt;
        }
        std::string value;
        if (declaredOption->value == OptionValue::None) {
            if (equals != std::string::npos) {
                err << prefix << declaredOption->name << " takes no value\n";
                return std::nullopt;
            }
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size() && arguments[i + 1] != "--" && !looksLikeOption(arguments[i + 1])) {
            value = arguments[++i];
        } else {
            err << prefix << declaredOption->name << " needs a value\n";
            return std::nullopt;
        }
        if (declaredOption->value == OptionValue::Integer) {
            std::optional<std::int64_t> number = parseInteger(value);
            if (!number || *number < declaredOption->minimum || *number > declaredOption->maximum) {
                err << prefix << declaredOption->name << " takes " << declaredOption->valueText;
                if (narrowerThanInt(*declaredOption))
                    err << " from " << declaredOption->minimum << " to " << declaredOption->maximum;
                err << ", not '" << value << "'\n";
                return std::nullopt;
            }
        }

        auto [entry, first] = parsed.m_given.try_emplace(std::string(declaredOption->name));
        if (!first && declaredOption->value != OptionValue::None && !declaredOption->repeatable) {
            err << prefix << declaredOption->name << " given twice\n";
            return std::nullopt;
        }
        if (first) {
            for (const auto& [otherName, otherValues] : parsed.m_given) {
                const OptionSpec* other = findOption(declared, otherName);
                if (other != declaredOption && (other->excludes == declaredOption->name || declaredOption->excludes == other->name)) {
                    err << prefix << other->name << " and " << declaredOption->name << " exclude each other\n";
                    return std::nullopt;
                }
            }
        }
        entry->second.push_back(std::move(value));
    }
    if (parsed.m_words.size() < declared.minWords) {
        err << declared.usage;
        return std::nullopt;
    }
    return parsed;
}

} // namespace vedra::cli
