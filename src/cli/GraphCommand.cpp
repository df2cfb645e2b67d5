// `vedra graph EXPR FROM TO [--size WxH]`: the function graph's findings as text,
// for scripts and for checking a plot without the window: the sampled columns, the
// extremes and the zero marks, one tab-separated line each.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/utilities/Calculator.h"
#include "core/utilities/FunctionGraph.h"

#include <ostream>

namespace vedra::cli {
namespace {

bool parseNumber(const std::string& text, double& value)
{
    std::string copy = text;
    if (!utilities::EvaluateExpression(copy))
        return false;
    value = utilities::LeadingValue(copy);
    return true;
}

bool parseSize(const std::string& text, int& width, int& height)
{
    std::size_t cross = text.find('x');
    if (cross == std::string::npos)
        return false;
    try {
        width = std::stoi(text.substr(0, cross));
        height = std::stoi(text.substr(cross + 1));
    } catch (...) {
        return false;
    }
    return width >= 2 && height > 32 && width <= 16384 && height <= 16384;
}

} // namespace

constexpr OptionSpec kGraphOptionList[] = {{.name = "--size", .value = OptionValue::Text}};

// The expression and the range's ends may begin with '-'.
constexpr CliOptions kGraphOptions{
    .verb = "graph",
    .options = kGraphOptionList,
    .usage = "usage: vedra graph EXPR FROM TO [--size WxH]\n",
    .minWords = 3,
    .maxWords = 3,
    .dashWords = DashWords::Words,
};

int runGraph(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kGraphOptions, arguments, context.err);
    if (!given)
        return 2;
    int width = 601;
    int height = 400;
    if (std::optional<std::string> size = given->text("--size")) {
        if (!parseSize(*size, width, height)) {
            context.err << "vedra: --size takes WIDTHxHEIGHT, at least 2x33\n";
            return 2;
        }
    }
    const std::vector<std::string>& positional = given->words();
    double from = 0;
    double to = 0;
    if (!parseNumber(positional[1], from) || !parseNumber(positional[2], to)) {
        context.err << kGraphOptions.usage;
        return 2;
    }
    const std::string expression =
        app::isValidUtf8(positional[0]) ? app::utf8ToCp1252(positional[0]) : positional[0];
    utilities::GraphPicture picture = utilities::DrawFunctionGraph(expression, from, to, width, height);
    context.out << "columns\t" << picture.columnsSampled << "\tundefined\t" << picture.columnsFailed << '\n';
    for (const auto& extreme : picture.extremes)
        context.out << (extreme.minimum ? "minimum" : "maximum") << '\t' << utilities::GraphLabel(extreme.x) << '\t'
                    << utilities::GraphLabel(extreme.value) << '\n';
    for (const auto& primitive : picture.primitives)
        if (primitive.kind == utilities::GraphPrimitiveKind::Text && primitive.colour == utilities::kGraphAxisColour)
            context.out << "zero\t" << primitive.text << '\n';
    return picture.columnsSampled > picture.columnsFailed ? 0 : 1;
}

} // namespace vedra::cli
