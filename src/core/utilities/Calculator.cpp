// Expression reduction by text rewriting. Every step finds one operator occurrence,
// reads its operands out of the text, and writes the value's number text in its
// place; a failing step stops the whole reduction and leaves the text as it is.
#include "core/utilities/Calculator.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace vedra::utilities {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isSeparator(char c)
{
    return c == '.' || c == ',';
}

// A character that can end a number: after it a sign is a binary plus or minus.
bool endsNumber(char c)
{
    return isDigit(c) || isSeparator(c);
}

bool isSign(char c)
{
    return c == '+' || c == '-';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct Operand {
    std::size_t begin = 0;  // first character (its signs included)
    std::size_t end = 0;    // one past the last
    double value = 0;
};

// Reads the unsigned number text [begin, end) as a double: one decimal separator
// at most, "," taken as ".".
std::optional<double> parseDigits(std::string_view text)
{
    std::string copy(text);
    int separators = 0;
    for (char& c : copy) {
        if (isSeparator(c)) {
            c = '.';
            ++separators;
        }
    }
    if (separators > 1)
        return std::nullopt;
    double value = 0;
    auto [ptr, error] = std::from_chars(copy.data(), copy.data() + copy.size(), value);
    if (error != std::errc() || ptr != copy.data() + copy.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// End of the digits, separators and optional "E[sign]digits" starting at `pos`;
// `pos` itself when no digit is there.
std::size_t scanUnsignedNumber(std::string_view text, std::size_t pos)
{
    std::size_t i = pos;
    bool digit = false;
    while (i < text.size() && endsNumber(text[i])) {
        digit = digit || isDigit(text[i]);
        ++i;
    }
    if (!digit)
        return pos;
    if (i < text.size() && text[i] == 'E') {
        std::size_t j = i + 1;
        if (j < text.size() && isSign(text[j]))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// The number after an operator: blanks and signs, then the number.
std::optional<Operand> scanForward(std::string_view text, std::size_t pos)
{
    Operand operand;
    operand.begin = pos;
    bool negative = false;
    std::size_t i = pos;
    while (i < text.size() && (isBlank(text[i]) || isSign(text[i]))) {
        if (text[i] == '-')
            negative = !negative;
        ++i;
    }
    std::size_t end = scanUnsignedNumber(text, i);
    if (end == i || end - pos > kMaxNumberLength)
        return std::nullopt;
    auto value = parseDigits(text.substr(i, end - i));
    if (!value)
        return std::nullopt;
    operand.end = end;
    operand.value = negative ? -*value : *value;
    return operand;
}

// The number before a binary operator at `end`. A run of signs in front of it
// belongs to it (so -8^3 is (-8)^3, as the rules of powers want), except the run's
// first sign when a number stands before that: there it is a subtraction, and
// 2-8^2 stays 2-(8^2).
std::optional<Operand> scanBackward(std::string_view text, std::size_t end)
{
    std::size_t i = end;
    while (i > 0) {
        char c = text[i - 1];
        if (endsNumber(c)) {
            --i;
        } else if (c == 'E' && i < end && isDigit(text[i]) && i >= 2 && endsNumber(text[i - 2])) {
            --i;
        } else if (isSign(c) && i >= 3 && i < end && isDigit(text[i]) && text[i - 2] == 'E' &&
                   endsNumber(text[i - 3])) {
            i -= 2;
        } else {
            break;
        }
    }
    std::size_t numberStart = i;
    std::size_t checked = scanUnsignedNumber(text, numberStart);
    if (checked != end)
        return std::nullopt;
    std::size_t signs = numberStart;
    while (signs > 0 && isSign(text[signs - 1]))
        --signs;
    if (signs < numberStart && signs > 0 && endsNumber(text[signs - 1]))
        ++signs;
    if (end - signs > kMaxNumberLength)
        return std::nullopt;
    auto value = parseDigits(text.substr(numberStart, end - numberStart));
    if (!value)
        return std::nullopt;
    bool negative = false;
    for (std::size_t k = signs; k < numberStart; ++k)
        negative = negative != (text[k] == '-');
    return Operand{signs, end, negative ? -*value : *value};
}

// Writes `value` over [begin, end). A value that follows a number directly ("2"
// before "sqrt9") multiplies it: without the "*" the two would simply be added.
bool writeValue(std::string& text, std::size_t begin, std::size_t end, double value, bool joinWithProduct)
{
    if (!std::isfinite(value))
        return false;
    std::string replacement = NumberText(value);
    if (joinWithProduct && begin > 0 && endsNumber(text[begin - 1]))
        replacement.insert(0, "*");
    text.replace(begin, end - begin, replacement);
    return true;
}

// a ^ b. Negative bases take whole exponents only; 0 to a negative power has no
// value.
std::optional<double> power(double a, double b)
{
    if (b == 0)
        return a == 0 ? 0.0 : 1.0;
    if (a == 0)
        return b < 0 ? std::nullopt : std::optional<double>(0.0);
    if (a < 0) {
        if (std::trunc(b) != b)
            return std::nullopt;
        double result = std::pow(-a, std::fabs(b));
        if (b < 0)
            result = 1 / result;
        if (std::fmod(b, 2) != 0)
            result = -result;
        return result;
    }
    return b > 0 ? std::pow(a, b) : 1 / std::pow(a, -b);
}

using UnaryFunction = std::optional<double> (*)(double);

struct UnaryOperator {
    std::string_view name;
    UnaryFunction apply;
};

std::optional<double> squareRoot(double v) { return v < 0 ? std::nullopt : std::optional<double>(std::sqrt(v)); }
std::optional<double> exponential(double v) { return std::exp(v); }
std::optional<double> hyperbolicSine(double v) { return std::sinh(v); }
std::optional<double> hyperbolicCosine(double v) { return std::cosh(v); }
std::optional<double> hyperbolicTangent(double v) { return std::tanh(v); }
std::optional<double> logarithm10(double v) { return v < 1e-7 ? std::nullopt : std::optional<double>(std::log10(v)); }
std::optional<double> logarithmE(double v) { return v < 1e-7 ? std::nullopt : std::optional<double>(std::log(v)); }
std::optional<double> absolute(double v) { return std::fabs(v); }
std::optional<double> arcSine(double v) { return std::fabs(v) > 1 ? std::nullopt : std::optional<double>(std::asin(v)); }
std::optional<double> arcCosine(double v) { return std::fabs(v) > 1 ? std::nullopt : std::optional<double>(std::acos(v)); }
std::optional<double> arcTangent(double v) { return std::atan(v); }
std::optional<double> sine(double v) { return std::sin(v); }
std::optional<double> cosine(double v) { return std::cos(v); }

// The tangent refuses the neighbourhoods of pi/2 and 3pi/2, where it has no value.
std::optional<double> tangent(double v)
{
    double size = std::fabs(v);
    if ((size > 1.55 && size < 1.59) || (size > 4.69 && size < 4.73))
        return std::nullopt;
    return std::tan(v);
}

enum class Step { Unary, Power, E, Division, Product };

struct TableEntry {
    Step step;
    UnaryOperator unary;
};

// The order of this table is the precedence: longer names come before the names
// they contain ("sinh" before "sin", "arcsin" before "sin", "tgh" before "tg").
// ":" and "/" form one step, so a:b/c divides from the left like a/b/c.
constexpr std::array<TableEntry, 21> kOperatorTable = {{
    {Step::Unary, {"sqrt", squareRoot}},
    {Step::Unary, {"exp", exponential}},
    {Step::Power, {"^", nullptr}},
    {Step::Unary, {"sinh", hyperbolicSine}},
    {Step::Unary, {"cosh", hyperbolicCosine}},
    {Step::Unary, {"tgh", hyperbolicTangent}},
    {Step::Unary, {"log", logarithm10}},
    {Step::Unary, {"lg", logarithm10}},
    {Step::Unary, {"ln", logarithmE}},
    {Step::Unary, {"abs", absolute}},
    {Step::Unary, {"arcsin", arcSine}},
    {Step::Unary, {"arcsen", arcSine}},
    {Step::Unary, {"arccos", arcCosine}},
    {Step::Unary, {"arctg", arcTangent}},
    {Step::Unary, {"sen", sine}},
    {Step::Unary, {"sin", sine}},
    {Step::Unary, {"cos", cosine}},
    {Step::E, {"e", nullptr}},
    {Step::Unary, {"tg", tangent}},
    {Step::Division, {":", nullptr}},
    {Step::Product, {"*", nullptr}},
}};

bool applyUnary(std::string& text, const UnaryOperator& op)
{
    std::size_t at;
    while ((at = text.find(op.name)) != std::string::npos) {
        auto operand = scanForward(text, at + op.name.size());
        if (!operand)
            return false;
        auto value = op.apply(operand->value);
        if (!value || !writeValue(text, at, operand->end, *value, true))
            return false;
    }
    return true;
}

// "e" stands for e to a power when "x", "^" or a digit follows it: "ex2", "e2".
// Any other first "e" is left for SumTerms to refuse.
bool applyE(std::string& text)
{
    std::size_t at;
    while ((at = text.find('e')) != std::string::npos) {
        std::size_t next = at + 1;
        if (next >= text.size())
            return true;
        if (text[next] == 'x' || text[next] == '^')
            ++next;
        else if (!isDigit(text[next]))
            return true;
        auto operand = scanForward(text, next);
        if (!operand || !writeValue(text, at, operand->end, std::exp(operand->value), true))
            return false;
    }
    return true;
}

bool applyPower(std::string& text)
{
    std::size_t at;
    while ((at = text.find('^')) != std::string::npos) {
        auto right = scanForward(text, at + 1);
        if (!right)
            return false;
        if (at > 0 && text[at - 1] == 'e') {
            if (!writeValue(text, at - 1, right->end, std::exp(right->value), true))
                return false;
            continue;
        }
        auto left = scanBackward(text, at);
        if (!left)
            return false;
        auto value = power(left->value, right->value);
        if (!value || !writeValue(text, left->begin, right->end, *value, false))
            return false;
    }
    return true;
}

bool applyBinary(std::string& text, Step step)
{
    while (true) {
        std::size_t at = step == Step::Product ? text.find('*') : text.find_first_of(":/");
        if (at == std::string::npos)
            return true;
        auto left = scanBackward(text, at);
        auto right = scanForward(text, at + 1);
        if (!left || !right)
            return false;
        double value = 0;
        if (step == Step::Product) {
            value = left->value * right->value;
        } else {
            if (right->value == 0)
                return false;
            value = left->value / right->value;
        }
        if (!writeValue(text, left->begin, right->end, value, false))
            return false;
    }
}

void removeBlanks(std::string& text)
{
    std::erase_if(text, isBlank);
}

} // namespace

std::string NumberText(double value)
{
    std::array<char, 400> buffer{};
    char* first = buffer.data() + 1;
    auto [ptr, error] = std::to_chars(first, buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    if (error != std::errc())
        return "+0.000000";
    std::string text(first, ptr);
    if (!text.empty() && isDigit(text[0]))
        text.insert(0, "+");
    return text;
}

double LeadingValue(std::string_view text, bool* found)
{
    auto operand = scanForward(text, 0);
    if (found != nullptr)
        *found = operand.has_value();
    return operand ? operand->value : 0.0;
}

bool SumTerms(std::string& text)
{
    std::string work = text;
    removeBlanks(work);
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i + 1 < work.size(); ++i) {
            if (isSign(work[i]) && isSign(work[i + 1])) {
                work.replace(i, 2, work[i] == work[i + 1] ? "+" : "-");
                changed = true;
            }
        }
    }
    if (work.empty())
        return false;
    double sum = 0;
    std::size_t i = 0;
    while (i < work.size()) {
        bool negative = false;
        std::size_t start = i;
        if (isSign(work[i])) {
            negative = work[i] == '-';
            ++i;
        } else if (i != 0) {
            return false;
        }
        std::size_t end = scanUnsignedNumber(work, i);
        if (end == i || end - start > kMaxNumberLength)
            return false;
        auto value = parseDigits(std::string_view(work).substr(i, end - i));
        if (!value)
            return false;
        sum += negative ? -*value : *value;
        i = end;
    }
    if (!std::isfinite(sum))
        return false;
    if (std::fabs(sum) < 0.000001)
        sum = 0;
    // A value must read back as a number of the next calculation.
    std::string result = NumberText(sum);
    if (result.size() > kMaxNumberLength)
        return false;
    text = result;
    return true;
}

bool ReduceTerm(std::string& text)
{
    for (const TableEntry& entry : kOperatorTable) {
        bool done = true;
        switch (entry.step) {
        case Step::Unary: done = applyUnary(text, entry.unary); break;
        case Step::Power: done = applyPower(text); break;
        case Step::E: done = applyE(text); break;
        case Step::Division:
        case Step::Product: done = applyBinary(text, entry.step); break;
        }
        if (!done)
            return false;
    }
    return SumTerms(text);
}

bool EvaluateExpression(std::string& text)
{
    if (text.size() > kMaxExpressionLength)
        return false;
    removeBlanks(text);
    std::size_t close;
    while ((close = text.find(')')) != std::string::npos) {
        std::size_t open = text.rfind('(', close);
        if (open == std::string::npos)
            return false;
        std::string inner = text.substr(open + 1, close - open - 1);
        if (!ReduceTerm(inner)) {
            text.replace(open + 1, close - open - 1, inner);
            return false;
        }
        std::string tail = text.substr(close + 1);
        text.resize(open);
        // A group that touches a number multiplies it: 2(3+4) and (2+3)4.
        if (!text.empty() && endsNumber(text.back()))
            text += '*';
        text += inner;
        if (!tail.empty() && endsNumber(tail.front()))
            text += '*';
        text += tail;
    }
    return ReduceTerm(text);
}

std::size_t FunctionNameLength(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    std::size_t length = 0;
    for (const TableEntry& entry : kOperatorTable) {
        if (entry.step == Step::Unary && text.substr(pos).starts_with(entry.unary.name)) {
            length = entry.unary.name.size();
            break;
        }
    }
    if (length == 0 && text[pos] == 'e' && pos + 1 < text.size()) {
        if (isDigit(text[pos + 1]))
            return 1;
        if (text[pos + 1] == 'x' || text[pos + 1] == '^')
            length = 2;
    }
    if (length == 0)
        return 0;
    std::size_t next = pos + length;
    while (next < text.size() && isBlank(text[next]) && text[next] != '\n')
        ++next;
    if (next >= text.size())
        return 0;
    char c = text[next];
    if (isDigit(c) || isSign(c) || isSeparator(c) || c == '(' || FunctionNameLength(text, next) > 0)
        return length;
    return 0;
}

std::string ExpandTrigShorthands(std::string_view text)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kShorthands = {{
        {"cosec", "1/sen"},
        {"sec", "1/cos"},
        {"cotg", "1/tg"},
    }};
    std::string result(text);
    for (const auto& [from, to] : kShorthands) {
        std::size_t at = 0;
        while ((at = result.find(from, at)) != std::string::npos) {
            result.replace(at, from.size(), to);
            at += to.size();
        }
    }
    return result;
}

} // namespace vedra::utilities
