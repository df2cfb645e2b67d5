// The verbs' option parser, read through the verbs' own tables where one has the
// case, and the tables against the help.
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace vedra::cli {
namespace {

using Words = std::vector<std::string>;

// The values of a line that must be accepted; a message fails the test (gtest reports the exception).
ParsedOptions accepted(const CliOptions& table, const Words& arguments)
{
    std::ostringstream err;
    std::optional<ParsedOptions> parsed = ParseOptions(table, arguments, err);
    if (!parsed || !err.str().empty())
        throw std::runtime_error("rejected: " + err.str());
    return *parsed;
}

struct Rejected {
    const char* name;
    const CliOptions* table;
    Words arguments;
    std::string message;
};

void PrintTo(const Rejected& rejected, std::ostream* out)
{
    *out << rejected.name;
}

class RejectedLine : public testing::TestWithParam<Rejected> {};

TEST_P(RejectedLine, GetsItsOneMessage)
{
    std::ostringstream err;
    EXPECT_FALSE(ParseOptions(*GetParam().table, GetParam().arguments, err));
    EXPECT_EQ(err.str(), GetParam().message);
}

const std::string kContiguous = "vedra search: --contiguous takes a number of characters from 5 to 500, not ";

INSTANTIATE_TEST_SUITE_P(
    CliOptions, RejectedLine,
    testing::Values(
        Rejected{"MissingValueAtTheEnd", &kSearchOptions, {"house", "--files"},
                 "vedra search: --files needs a value\n"},
        // A forgotten value does not swallow the next option or the end of the options.
        Rejected{"ValueBeforeAnOption", &kSearchOptions, {"--files", "--json", "a"},
                 "vedra search: --files needs a value\n"},
        Rejected{"ValueBeforeDoubleDash", &kIndexOptions, {"--dirs", "--", "/x"},
                 "vedra index: --dirs needs a value\n"},
        Rejected{"Unknown", &kIndexOptions, {"/x", "--bogus=1"}, "vedra index: unknown option '--bogus=1'\n"},
        Rejected{"OtherVerbsOption", &kIndexOptions, {"/x", "--extracts"}, "vedra index: unknown option '--extracts'\n"},
        // Where words never begin with '-', any dash word is an option; where they may, "--" and a letter is.
        Rejected{"SingleDash", &kSearchOptions, {"house", "-or"}, "vedra search: unknown option '-or'\n"},
        Rejected{"NegativeNumberAsWord", &kSearchOptions, {"-5"}, "vedra search: unknown option '-5'\n"},
        Rejected{"UnknownAmongDashWords", &kShowOptions, {"/x", "-x", "--bogus"},
                 "vedra show: unknown option '--bogus'\n"},
        Rejected{"FirstFaultIsNamed", &kIndexOptions, {"--bogus", "--files"},
                 "vedra index: unknown option '--bogus'\n"},
        Rejected{"FlagWithValue", &kSearchOptions, {"house", "--json=yes"}, "vedra search: --json takes no value\n"},
        Rejected{"ValueTwice", &kSearchOptions, {"--files", ".pdf", "--files=.txt"},
                 "vedra search: --files given twice\n"},
        Rejected{"Excluded", &kIndexOptions, {"/x", "--single", "--update"},
                 "vedra index: --single and --update exclude each other\n"},
        Rejected{"ExcludedTheOtherWay", &kIndexOptions, {"--update", "/x", "--unpack", "--single"},
                 "vedra index: --update and --single exclude each other\n"},
        Rejected{"BelowRange", &kSearchOptions, {"a", "--contiguous", "4"}, kContiguous + "'4'\n"},
        Rejected{"AboveRange", &kSearchOptions, {"a", "--contiguous=501"}, kContiguous + "'501'\n"},
        // A negative number is a value, out of range here, not a missing value.
        Rejected{"NegativeValue", &kSearchOptions, {"a", "--contiguous", "-40"}, kContiguous + "'-40'\n"},
        Rejected{"EmptyNumber", &kSearchOptions, {"a", "--contiguous="}, kContiguous + "''\n"},
        Rejected{"PastAnInt", &kCreateOptions, {"a", "--number", "2147483648"},
                 "vedra create: --number takes a number, not '2147483648'\n"},
        Rejected{"NotANumber", &kCreateOptions, {"a", "--min", "two"},
                 "vedra create: --min takes a number, not 'two'\n"},
        Rejected{"TooManyWords", &kIndexOptions, {"/a", "--unpack", "/b", "/c"},
                 "vedra index: one path only (got '/a' and '/b')\n"},
        Rejected{"TooManyWordsUsage", &kGraphOptions, {"x", "0", "1", "2"}, std::string(kGraphOptions.usage)},
        Rejected{"TooFewWords", &kCreateOptions, {"--disk", "d"}, std::string(kCreateOptions.usage)},
        // `--` is no word.
        Rejected{"OnlyDoubleDash", &kIndexOptions, {"--unpack", "--"}, std::string(kIndexOptions.usage)},
        Rejected{"TakesNothing", &kInfoOptions, {"--"}, "vedra info: takes no arguments\n"}),
    [](const testing::TestParamInfo<Rejected>& info) { return std::string(info.param.name); });

TEST(CliOptions, DoubleDashEndsTheOptions)
{
    ParsedOptions got = accepted(kSearchOptions, {"--or", "house", "--", "--json", "-x", "--"});
    EXPECT_TRUE(got.has("--or"));
    EXPECT_FALSE(got.has("--json"));
    EXPECT_EQ(got.words(), (Words{"house", "--json", "-x", "--"}));
    EXPECT_FALSE(got.escaped(0));
    EXPECT_TRUE(got.escaped(1));
    // So a file may begin with '-' after `--` only, where show looks for it.
    EXPECT_TRUE(accepted(kShowOptions, {"--", "-notes.txt", "word"}).escaped(0));
    EXPECT_FALSE(accepted(kShowOptions, {"-notes.txt", "word"}).escaped(0));
}

TEST(CliOptions, EqualsFormIsTheSameAsTheNextWord)
{
    ParsedOptions joined = accepted(kSearchOptions, {"--files=.pdf,.txt", "--contiguous=40", "tax"});
    ParsedOptions apart = accepted(kSearchOptions, {"--files", ".pdf,.txt", "--contiguous", "40", "tax"});
    EXPECT_EQ(joined.text("--files"), ".pdf,.txt");
    EXPECT_EQ(apart.text("--files"), ".pdf,.txt");
    EXPECT_EQ(joined.number("--contiguous"), 40);
    EXPECT_EQ(apart.number("--contiguous"), 40);
    EXPECT_EQ(joined.words(), apart.words());
    // Only the first '=' splits; an empty value is a value; a value that looks
    // like an option is given this way.
    ParsedOptions got = accepted(kSearchOptions, {"--dirs=a=b", "--files=", "--on-disk=--odd"});
    EXPECT_EQ(got.text("--dirs"), "a=b");
    EXPECT_EQ(got.text("--files"), "");
    EXPECT_EQ(got.text("--on-disk"), "--odd");
}

TEST(CliOptions, RepeatedOptions)
{
    ParsedOptions got = accepted(kIndexOptions, {"/x", "--single", "--unpack", "--single"});
    EXPECT_TRUE(got.has("--single"));
    EXPECT_FALSE(got.has("--update"));
    static constexpr OptionSpec kTags[] = {{.name = "--tag", .value = OptionValue::Text, .repeatable = true}};
    static constexpr CliOptions kTagged{.verb = "tagged", .options = kTags};
    got = accepted(kTagged, {"--tag", "b", "--tag=a"});
    EXPECT_EQ(got.values("--tag"), (Words{"b", "a"}));
    EXPECT_EQ(got.text("--tag"), "a");
}

TEST(CliOptions, NumbersAndDashWords)
{
    for (const char* good : {"5", "500", "+40", "040"})
        EXPECT_TRUE(accepted(kSearchOptions, {"a", "--contiguous", good}).has("--contiguous")) << good;
    for (const char* bad : {"abc", "4O", " 40", "0x10", "1e2", "+", "+-5", "99999999999999999999"}) {
        std::ostringstream err;
        EXPECT_FALSE(ParseOptions(kSearchOptions, {"a", "--contiguous", bad}, err)) << bad;
    }
    ParsedOptions got = accepted(kCreateOptions, {"docs", "--number", "-5", "--min=-2147483648"});
    EXPECT_EQ(got.number("--number"), -5);
    EXPECT_EQ(got.number("--min"), -2147483648LL);
    // Where words may begin with '-', "-5", "-x", "---" are words and a value may begin with one dash.
    got = accepted(kGraphOptions, {"-x", "-5", "---", "--size", "-1"});
    EXPECT_EQ(got.words(), (Words{"-x", "-5", "---"}));
    EXPECT_EQ(got.text("--size"), "-1");
}

TEST(CliOptions, WordsAroundAndAfterOptions)
{
    ParsedOptions got = accepted(kSearchOptions, {"--or", "house", "--files", ".txt", "garden", "--json", "window"});
    EXPECT_EQ(got.words(), (Words{"house", "garden", "window"}));
    EXPECT_EQ(got.joinedWords(1), "garden window");
    // Empty words add no blank in front, as a query box reads them.
    EXPECT_EQ(accepted(kSearchOptions, {"", "house", "", "garden"}).joinedWords(), "house  garden");
}

TEST(CliOptions, AskingForAnUndeclaredOptionIsAFaultOfTheVerb)
{
    EXPECT_THROW((void)accepted(kIndexOptions, {"/x"}).has("--extracts"), std::logic_error);
}

std::set<std::string> optionsNamedIn(std::string_view usage)
{
    std::set<std::string> names;
    std::regex option("--[a-z][a-z-]*");
    std::string text(usage);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

TEST(CliCommandTable, UsageNamesEveryDeclaredOption)
{
    for (const CliCommand& command : cliCommands()) {
        SCOPED_TRACE(command.name);
        ASSERT_FALSE(command.forms.empty());
        std::set<std::string> declared;
        for (const CliOptions* form : command.forms) {
            EXPECT_EQ(std::string(form->verb).rfind(command.name, 0), 0u) << form->verb;
            for (const OptionSpec& option : form->options) {
                // A name that does not look like an option would never be read as one.
                EXPECT_TRUE(std::regex_match(std::string(option.name), std::regex("--[a-z][a-z-]*"))) << option.name;
                EXPECT_TRUE(option.excludes.empty() || std::any_of(form->options.begin(), form->options.end(),
                                                                   [&](const OptionSpec& other) {
                                                                       return other.name == option.excludes;
                                                                   }))
                    << option.excludes;
                declared.insert(std::string(option.name));
            }
            // The usage a verb prints names the options of its help line.
            if (!form->usage.empty()) {
                EXPECT_EQ(optionsNamedIn(form->usage), optionsNamedIn(command.usage)) << form->verb;
            }
        }
        EXPECT_EQ(declared, optionsNamedIn(command.usage));
    }
}

} // namespace
} // namespace vedra::cli
