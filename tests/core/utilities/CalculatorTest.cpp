#include "core/utilities/Calculator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>

namespace vedra::utilities {
namespace {

struct Case {
    const char* expression;
    const char* expected;  // the value's number text, or the partly reduced text
};

std::string evaluated(std::string text, bool* ok = nullptr)
{
    bool result = EvaluateExpression(text);
    if (ok != nullptr)
        *ok = result;
    return text;
}

class Evaluates : public ::testing::TestWithParam<Case> {};

TEST_P(Evaluates, ToItsNumberText)
{
    bool ok = false;
    EXPECT_EQ(evaluated(GetParam().expression, &ok), GetParam().expected) << GetParam().expression;
    EXPECT_TRUE(ok) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Calculator, Evaluates,
    ::testing::Values(
        Case{"2+3*4", "+14.000000"}, Case{"(2+3)*4", "+20.000000"}, Case{"2^-2", "+0.250000"},
        Case{"-8^3", "-512.000000"}, Case{"2^3^2", "+64.000000"}, Case{"-2^-3", "-0.125000"},
        Case{"(-2)^2", "+4.000000"}, Case{"0^5", "+0.000000"}, Case{"0^0", "+0.000000"}, Case{"5^0", "+1.000000"},
        Case{"-5^0", "+1.000000"},
        // A minus between numbers subtracts, it does not belong to the base.
        Case{"2-8^2", "-62.000000"}, Case{"2*-3^2", "+18.000000"}, Case{"3-(2)^2", "-1.000000"},
        Case{" 1 + 2 ", "+3.000000"}, Case{"1,5*2", "+3.000000"}, Case{"1.5E2+1", "+151.000000"},
        Case{"2E-3*1000", "+2.000000"}, Case{"1E+2^2", "+10000.000000"}, Case{"--3", "+3.000000"},
        Case{"-+-3", "+3.000000"}, Case{".5*4", "+2.000000"}, Case{"7", "+7.000000"},
        Case{"8/2/2", "+2.000000"}, Case{"8:2:2", "+2.000000"}, Case{"8/2:2", "+2.000000"},
        Case{"8:2/2", "+2.000000"}, Case{"6/2*3", "+9.000000"}, Case{"1/3", "+0.333333"},
        Case{"0.0000001+0", "+0.000000"}, Case{"1-1", "+0.000000"},
        Case{"sqrt16", "+4.000000"}, Case{"sqrt(9+7)", "+4.000000"}, Case{"-sqrt4", "-2.000000"},
        Case{"exp0", "+1.000000"}, Case{"ex1", "+2.718282"}, Case{"e1", "+2.718282"}, Case{"e^2", "+7.389056"},
        Case{"2e^0", "+2.000000"}, Case{"sinh0+cosh0+tgh0", "+1.000000"}, Case{"log1000", "+3.000000"},
        Case{"lg100", "+2.000000"}, Case{"ln1", "+0.000000"}, Case{"abs-3", "+3.000000"},
        Case{"arcsin1", "+1.570796"}, Case{"arcsen1", "+1.570796"}, Case{"arccos1", "+0.000000"},
        Case{"arctg1", "+0.785398"}, Case{"sin0.5", "+0.479426"}, Case{"sen0.5", "+0.479426"},
        Case{"cos0", "+1.000000"}, Case{"tg0.785398", "+1.000000"}, Case{"tg1.5", "+14.101420"},
        Case{"sqrt(sqrt16)", "+2.000000"}, Case{"((1+2)*(3+4))", "+21.000000"}, Case{"2(3+4)", "+14.000000"},
        Case{"(2+3)4", "+20.000000"}, Case{"(2)(3)", "+6.000000"}, Case{"2sqrt9", "+6.000000"},
        Case{"sqrt2^2", "+2.000001"}, Case{"1/sen(3.141593/2)", "+1.000000"}));

class Fails : public ::testing::TestWithParam<Case> {};

TEST_P(Fails, LeavingThePartlyReducedText)
{
    bool ok = true;
    EXPECT_EQ(evaluated(GetParam().expression, &ok), GetParam().expected) << GetParam().expression;
    EXPECT_FALSE(ok) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Calculator, Fails,
    ::testing::Values(
        Case{"-8^0.5", "-8^0.5"}, Case{"sqrt-4", "sqrt-4"}, Case{"ln0", "ln0"}, Case{"log0.00000001", "log0.00000001"},
        Case{"tg1.57", "tg1.57"}, Case{"tg-4.7", "tg-4.7"}, Case{"arcsin1.1", "arcsin1.1"},
        Case{"arccos-2", "arccos-2"}, Case{"1/0", "1/0"}, Case{"0^-1", "0^-1"},
        // Steps before the failing one stay done.
        Case{"2*3+sqrt(1-5)", "2*3+sqrt-4.000000"}, Case{"sqrt4+1/(2-2)", "+2.000000+1/+0.000000"},
        Case{"(1+sqrt-1)*2", "(1+sqrt-1)*2"}, Case{"2+3)", "2+3)"}, Case{"(2+3", "(2+3"}, Case{"()", "()"},
        Case{"", ""}, Case{"abc", "abc"}, Case{"2+x", "2+x"}, Case{"1.2.3+1", "1.2.3+1"}, Case{"*3", "*3"},
        Case{"3*", "3*"}, Case{"sqrt", "sqrt"}, Case{"2e", "2e"},
        // Values that no number text can hold.
        Case{"exp1000", "exp1000"}, Case{"2^128+1", "+340282366920938463463374607431768211456.000000+1"}, Case{"9E29+9E29", "9E29+9E29"},
        Case{"1234567890123456789012345678901234567890+1", "1234567890123456789012345678901234567890+1"}));

TEST(Calculator, OverLongExpressionFailsUnchanged)
{
    std::string text(kMaxExpressionLength, '1');
    std::string longer = text + "1";
    EXPECT_FALSE(EvaluateExpression(longer));
    EXPECT_EQ(longer, text + "1");
    std::string sum;
    for (int i = 0; i < 255; ++i)
        sum += "+1";
    ASSERT_LE(sum.size(), kMaxExpressionLength);
    EXPECT_TRUE(EvaluateExpression(sum));
    EXPECT_EQ(sum, "+255.000000");
}

TEST(Calculator, NumberTextIsSignedWithSixDecimals)
{
    EXPECT_EQ(NumberText(2), "+2.000000");
    EXPECT_EQ(NumberText(-0.5), "-0.500000");
    EXPECT_EQ(NumberText(1234567.1234567), "+1234567.123457");
    EXPECT_EQ(NumberText(0), "+0.000000");
    EXPECT_EQ(NumberText(1e300).size(), 1u + 301u + 7u);
}

TEST(Calculator, LeadingValueReadsThePartlyReducedText)
{
    bool found = false;
    EXPECT_DOUBLE_EQ(LeadingValue("+3.500000sqrt-1", &found), 3.5);
    EXPECT_TRUE(found);
    EXPECT_DOUBLE_EQ(LeadingValue(" - 2,5E1x", &found), -25);
    EXPECT_TRUE(found);
    EXPECT_DOUBLE_EQ(LeadingValue("sqrt-1", &found), 0);
    EXPECT_FALSE(found);
}

TEST(Calculator, SumTermsCollapsesSignsAndRefusesJunk)
{
    std::string text = "1 ++2 --3 -+4 +-5";
    ASSERT_TRUE(SumTerms(text));
    EXPECT_EQ(text, "-3.000000");
    text = "+2.000000+1/+0.000000";
    EXPECT_FALSE(SumTerms(text));
    EXPECT_EQ(text, "+2.000000+1/+0.000000");
    text = "   ";
    EXPECT_FALSE(SumTerms(text));
}

TEST(Calculator, ReduceTermLeavesParenthesesToEvaluate)
{
    std::string text = "(1)";
    EXPECT_FALSE(ReduceTerm(text));
    text = "2*sqrt9-1";
    ASSERT_TRUE(ReduceTerm(text));
    EXPECT_EQ(text, "+5.000000");
}

TEST(Calculator, TrigShorthandsBecomeReciprocals)
{
    EXPECT_EQ(ExpandTrigShorthands("cosec1+sec2+cotg3"), "1/sen1+1/cos2+1/tg3");
    std::string text = ExpandTrigShorthands("sec0");
    ASSERT_TRUE(EvaluateExpression(text));
    EXPECT_EQ(text, "+1.000000");
}

// Random texts from the calculator's alphabet: every one ends, either as a number
// text or as a failure, and never takes long.
TEST(Calculator, RandomExpressionsNeverCrashOrHang)
{
    static const char* kTokens[] = {"0", "1", "2", "9", ".", ",", "E", "E-", "+", "-", "*", "/", ":", "^",
                                    "(", ")", " ", "e", "x", "sqrt", "exp", "sinh", "cosh", "tgh", "log", "lg",
                                    "ln", "abs", "arcsin", "arcsen", "arccos", "arctg", "sen", "sin", "cos",
                                    "tg", "99999999", "1E300", "0.000001", "\xe8", "calc>"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kTokens) - 1);
    std::uniform_int_distribution<int> length(1, 60);
    auto start = std::chrono::steady_clock::now();
    int successes = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += kTokens[pick(random)];
        std::string original = text;
        if (EvaluateExpression(text)) {
            ++successes;
            bool found = false;
            double value = LeadingValue(text, &found);
            ASSERT_TRUE(found) << original;
            ASSERT_TRUE(std::isfinite(value)) << original;
            ASSERT_EQ(text, NumberText(value)) << original;
        }
    }
    EXPECT_GT(successes, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

} // namespace
} // namespace vedra::utilities
