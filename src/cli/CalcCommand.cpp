// `vedra calc EXPR...`: the calculator of the utility page. The words are joined
// with blanks (blanks do not matter to the calculator); the value's number text is
// printed, or, when the expression cannot be calculated, the partly reduced text
// with exit status 1.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/utilities/Calculator.h"

#include <ostream>

namespace vedra::cli {

// An expression may begin with '-': "-2*3", "--3" are words.
constexpr CliOptions kCalcOptions{.verb = "calc", .usage = "usage: vedra calc EXPR\n", .dashWords = DashWords::Words};

int runCalc(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kCalcOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string expression = given->joinedWords();
    if (expression.find_first_not_of(" \t") == std::string::npos) {
        context.err << kCalcOptions.usage;
        return 2;
    }
    std::string text = app::isValidUtf8(expression) ? app::utf8ToCp1252(expression) : expression;
    if (text.size() > utilities::kMaxExpressionLength) {
        context.err << "vedra: the expression is longer than " << utilities::kMaxExpressionLength
                    << " characters\n";
        return 1;
    }
    if (!utilities::EvaluateExpression(text)) {
        context.out << app::displayUtf8(text) << '\n';
        context.err << "vedra: the expression cannot be calculated; it stopped at the text above\n";
        return 1;
    }
    context.out << text << '\n';
    return 0;
}

} // namespace vedra::cli
