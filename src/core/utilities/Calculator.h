// The calculator of the utility page: an expression is reduced by rewriting its
// text, each computed part replaced by its value as number text, until one number
// is left. The preview's "Calculate" action and the function graph build on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vedra::utilities {

// Longest expression taken (the text buffer of the calculator holds 512 bytes).
constexpr std::size_t kMaxExpressionLength = 511;
// Longest number, sign included, between two operators.
constexpr std::size_t kMaxNumberLength = 37;

// Every intermediate value as text: six decimals, always signed ("+2.000000",
// "-0.500000"). Locale-independent: a decimal comma never appears. The value is
// finite: a step whose result is not fails before its text is written.
std::string NumberText(double value);

// The value of the number the text starts with (signs and blanks first allowed,
// "," as decimal point, "E" exponent); 0 when it starts with none. `found` tells
// which.
double LeadingValue(std::string_view text, bool* found = nullptr);

// Replaces `text` by its value's number text and returns true; on failure returns
// false and leaves the text as far as it was reduced (blanks removed), so callers
// can show where it stopped. A text longer than kMaxExpressionLength fails
// unchanged. Parentheses are reduced innermost first.
bool EvaluateExpression(std::string& text);

// Applies the operator table, in its order, to a text without parentheses, then
// SumTerms. Same failure contract as EvaluateExpression.
bool ReduceTerm(std::string& text);

// Adds the signed numbers of the text ("+2.5-1E3+7") and writes the sum back as
// number text (a sum below 0.000001 in size is 0). False, text kept, when a part
// is not a number or a number, the sum's included, is longer than kMaxNumberLength.
bool SumTerms(std::string& text);

// Length of the calculator function name ("sqrt", "sen", "e" before x, ^ or a
// digit, ...) that starts at `pos` and is followed, after blanks, by its operand (a
// digit, sign, decimal point, "(" or another function); 0 when none starts there.
// Tells an expression from the words of a comment after it.
std::size_t FunctionNameLength(std::string_view text, std::size_t pos);

// "cosec" becomes "1/sen", "sec" "1/cos" and "cotg" "1/tg", as calc> lines and the
// graph's expression allow them.
std::string ExpandTrigShorthands(std::string_view text);

} // namespace vedra::utilities
