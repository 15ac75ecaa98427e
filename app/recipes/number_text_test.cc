// Quantity and cost texts: parsing, nice rounding, fractions and the decimal form.
#include "app/recipes/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kw {
namespace {

TEST(ParseQuantityTest, ReadsWholeNumbersFractionsAndMixedNumbers) {
    struct Case {
        const char *text;
        double expected;
    };
    const Case cases[] = {
        {"1 1/2", 1.5},  {"1/2", 0.5},         {"3/4", 0.75},      {"abc", 0.0}, {"2/0", 2.0},
        {"1/0", 1.0},    {"1.5", 1.5},         {"2 eggs", 2.0},    {"3", 3.0},   {"", 0.0},
        {"2  1/2", 2.5}, {" 1/2", 0.5},        {"1 1/0.001", 2.0}, {"-", 0.0},   {".5", 0.5},
        {"1e2", 100.0},  {"2 1/4 cups", 2.25},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(ParseQuantity(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseQuantityTest, OnlyTheFirst79CharactersCount) {
    std::string text(78, ' ');
    text += "5";  // 79th character: still read
    EXPECT_DOUBLE_EQ(ParseQuantity(text), 5.0);
    text = std::string(79, ' ') + "5";  // 80th: cut off
    EXPECT_DOUBLE_EQ(ParseQuantity(text), 0.0);
}

TEST(LeadingNumberTest, DamagedTextsNeverGiveInfiniteOrNotANumber) {
    EXPECT_EQ(LeadingNumber("inf"), 0.0);
    EXPECT_EQ(LeadingNumber("nan"), 0.0);
    EXPECT_EQ(LeadingNumber("1e999"), 0.0);
    EXPECT_EQ(LeadingNumber("0x10"), 0.0);
    EXPECT_EQ(LeadingNumber("  +2.5kg"), 2.5);
    EXPECT_EQ(LeadingNumber("-3e"), -3.0);
    EXPECT_EQ(LeadingInteger(" 12abc"), 12);
    EXPECT_EQ(LeadingInteger("1 1/2"), 1);
    EXPECT_EQ(LeadingInteger("99999999999999999999"), std::numeric_limits<int>::max());
}

NumberSettings Settings(int decimal, int exact) {
    return NumberSettings{kMetric, decimal, exact};
}

TEST(FormatQuantityTest, NiceRoundingAndFractionsFollowTheSettings) {
    struct Case {
        double amount;
        int decimal;
        int exact_setting;
        bool exact_flag;
        int places;
        const char *expected;
    };
    const Case cases[] = {
        // 0.375 as fractions: nice rounding makes it a half; exact keeps 3/8.
        {0.375, 0, 0, false, 2, "1/2"},
        {0.375, 0, 1, false, 2, "3/8"},
        {0.375, 0, 0, true, 2, "3/8"},
        {0.375, 1, 0, false, 2, "0.5"},
        {0.375, 1, 1, false, 2, "0.38"},
        {1.5, 0, 0, false, 2, "1 1/2"},
        {2.0, 0, 0, false, 2, "2"},
        {0.05, 0, 1, false, 2, "0.05"},  // no fraction within 0.01
        {0.125, 1, 1, false, 2, "0.13"},
        {2.5, 1, 1, false, 2, "2.5"},
        {3.0, 1, 1, false, 2, "3"},
        {17.636981, 1, 0, false, 2, "18"},
        {17.636981, 1, 1, false, 2, "17.64"},
        {17.636981, 0, 1, false, 2, "17.64"},
        {123.0, 1, 0, false, 2, "120"},
        {1234.0, 1, 0, false, 2, "1200"},
        {99.6, 1, 0, false, 2, "100"},
        {4.1, 1, 0, false, 2, "4"},
        {3.9, 1, 0, false, 2, "4"},
        {2.5, 0, 1, true, 3, "2 1/2"},
        {1.0 / 3, 0, 1, true, 3, "1/3"},
        {1.0 / 3, 1, 1, true, 3, "0.333"},
        {100.0, 1, 1, true, 2, "100"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(
            FormatQuantity(Settings(c.decimal, c.exact_setting), c.amount, c.places, c.exact_flag),
            c.expected)
            << c.amount << " decimal " << c.decimal << " exact " << c.exact_setting << "/"
            << c.exact_flag;
    }
}

TEST(FormatQuantityTest, PositiveAmountIsNeverShownAsZero) {
    // 50 g shown in Kg: nice rounding to quarters would give 0, which reads back as no amount
    // and the line would be refused on the next save.
    EXPECT_EQ(FormatQuantity(Settings(1, 0), 0.05, 2, false), "0.05");
    EXPECT_EQ(FormatQuantity(Settings(0, 0), 0.1, 2, false), "0.1");
    // 1 g in Kg with two places.
    EXPECT_EQ(FormatQuantity(Settings(1, 1), 0.001, 2, false), "0.001");
    EXPECT_EQ(FormatQuantity(Settings(1, 1), 0.0, 2, false), "0");
}

TEST(FormatQuantityTest, DamagedAmountsGiveATextNotAHang) {
    EXPECT_EQ(FormatQuantity(Settings(1, 0), std::numeric_limits<double>::infinity(), 2, false),
              "0");
    EXPECT_EQ(FormatQuantity(Settings(0, 0), std::nan(""), 2, false), "0");
    EXPECT_EQ(FormatQuantity(Settings(1, 0), 1e300, 2, false).substr(0, 3), "100");
    EXPECT_EQ(FormatQuantity(Settings(0, 1), 3e9 + 0.5, 2, false), "3000000000.5");
    EXPECT_EQ(FormatQuantity(Settings(1, 1), -0.001, 2, false), "0");
}

TEST(FormatFractionTest, FirstFractionWithinToleranceWins) {
    EXPECT_EQ(FormatFraction(0.5, 0.01), "1/2");
    EXPECT_EQ(FormatFraction(2.75, 0.01), "2 3/4");
    EXPECT_EQ(FormatFraction(0.6667, 0.01), "2/3");
    EXPECT_EQ(FormatFraction(0.889, 0.01), "8/9");
    EXPECT_FALSE(FormatFraction(3.0, 0.01).has_value());     // no fractional part
    EXPECT_FALSE(FormatFraction(3.0005, 0.01).has_value());  // at most 0.001
    EXPECT_FALSE(FormatFraction(0.05, 0.01).has_value());
    EXPECT_FALSE(FormatFraction(0.95, 0.01).has_value());  // would need a tenth
    EXPECT_FALSE(FormatFraction(-0.5, 0.01).has_value());
}

TEST(CostTextTest, TwoDecimalsBothWays) {
    EXPECT_EQ(FormatCost(1.5), "1.50");
    EXPECT_EQ(FormatCost(1.66f), "1.66");
    EXPECT_EQ(FormatCost(0.0), "0.00");
    EXPECT_EQ(FormatCost(-0.001), "0.00");
    EXPECT_FLOAT_EQ(ParseCost("2.35"), 2.35f);
    EXPECT_FLOAT_EQ(ParseCost("x"), 0.0f);
}

}  // namespace
}  // namespace kw
