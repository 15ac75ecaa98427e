// Formatting and reading the control's text, in every mode.
#include "spin_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kw::ctrl {
namespace {

constexpr unsigned kTime = KWSS_TIME;
constexpr unsigned kClock = KWSS_TIME | KWSS_CLOCK;
constexpr unsigned k12Hour = KWSS_TIME | KWSS_CLOCK | KWSS_12HOUR;

std::string Format(unsigned style, int main, int minutes = 0) {
    SpinState state = MakeSpinState(style);
    state.main.value = main;
    state.minutes.value = minutes;
    return FormatSpinText(state);
}

TEST(SpinTextTest, FormatsEachMode) {
    EXPECT_EQ(Format(0, 7), "7");
    EXPECT_EQ(Format(0, -3), "-3");
    EXPECT_EQ(Format(kTime, 1, 5), "1:05");
    EXPECT_EQ(Format(kTime, 99, 59), "99:59");
    EXPECT_EQ(Format(kClock, 23, 0), "23:00");
}

TEST(SpinTextTest, TwelveHourTextShowsHourTwelveAsAmAndTwentyFourAsPm) {
    EXPECT_EQ(Format(k12Hour, 1, 0), "1:00 am");
    EXPECT_EQ(Format(k12Hour, 12, 30), "12:30 am");
    EXPECT_EQ(Format(k12Hour, 13, 5), "1:05 pm");
    EXPECT_EQ(Format(k12Hour, 24, 0), "12:00 pm");
    // The am/pm form follows its own bit, even without the clock bit.
    EXPECT_EQ(Format(KWSS_TIME | KWSS_12HOUR, 0, 0), "0:00 am");
    // Outside time mode the time bits do not apply.
    EXPECT_EQ(Format(KWSS_12HOUR, 5), "5");
}

struct ReadRow {
    unsigned style;
    const char *text;
    bool valid;
    int main;
    int minutes;
};

// Names each row by its style and text in test listings.
void PrintTo(const ReadRow &row, std::ostream *os) {
    *os << "style 0x" << std::hex << row.style << " text '" << row.text << "'";
}

class SpinReadTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(SpinReadTest, ReadsAndValidates) {
    const ReadRow &row = GetParam();
    SpinReading reading = ReadSpinText(MakeSpinState(row.style), row.text);
    EXPECT_EQ(reading.valid, row.valid) << row.text;
    if (row.valid) {
        EXPECT_EQ(reading.main, row.main) << row.text;
        EXPECT_EQ(reading.minutes, row.minutes) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpinReadTest,
    ::testing::Values(
        // Number mode: the decimal prefix, checked against 0-9.
        ReadRow{0, "7", true, 7, 0}, ReadRow{0, "  4x", true, 4, 0}, ReadRow{0, "", true, 0, 0},
        ReadRow{0, "10", false, 0, 0}, ReadRow{0, "-1", false, 0, 0}, ReadRow{0, "1:2", true, 1, 0},
        // Time mode: hours before the first ':', minutes after; without ':' all minutes.
        ReadRow{kTime, "1:30", true, 1, 30}, ReadRow{kTime, "45", true, 0, 45},
        ReadRow{kTime, "1:75", false, 0, 0}, ReadRow{kTime, "100:00", false, 0, 0},
        ReadRow{kTime, ":7", true, 0, 7}, ReadRow{kTime, "2:", true, 2, 0},
        ReadRow{kTime, "1:2:3", true, 1, 2}, ReadRow{kTime, "75", false, 0, 0},
        ReadRow{kTime, "1:-5", false, 0, 0}, ReadRow{kTime, "99999999999:00", false, 0, 0},
        // 24-hour clock: a "pm" suffix adds 12 although nothing else checks the suffix.
        ReadRow{kClock, "23:59", true, 23, 59}, ReadRow{kClock, "24:00", false, 0, 0},
        ReadRow{kClock, "1:30 pm", true, 13, 30}, ReadRow{kClock, "1:30 xx", true, 1, 30},
        ReadRow{kClock, "1:30 PM", true, 13, 30},
        // 12-hour clock: the character after the first blank after ':' must be a/A/p/P.
        ReadRow{k12Hour, "1:00 am", true, 1, 0}, ReadRow{k12Hour, "12:00 am", true, 12, 0},
        ReadRow{k12Hour, "1:05 pm", true, 13, 5}, ReadRow{k12Hour, "12:00 PM", true, 24, 0},
        ReadRow{k12Hour, "1:00 Am", true, 1, 0}, ReadRow{k12Hour, "1:00 xm", false, 0, 0},
        ReadRow{k12Hour, "1:00 ", false, 0, 0}, ReadRow{k12Hour, "1:00  am", false, 0, 0},
        ReadRow{k12Hour, "13:00", true, 13, 0}, ReadRow{k12Hour, "0:00 am", false, 0, 0},
        ReadRow{k12Hour, "45", false, 0, 0}));

// Regression: the "pm" hours were checked before the 12 was added, so "13:00 pm" stored hour
// 25 in a 1-24 control (and "12:00 pm" hour 24 in a 0-23 one).
TEST(SpinTextTest, PmHoursAboveTheRangeAreInvalid) {
    EXPECT_FALSE(ReadSpinText(MakeSpinState(k12Hour), "13:00 pm").valid);
    EXPECT_FALSE(ReadSpinText(MakeSpinState(k12Hour), "24:00 pm").valid);
    EXPECT_FALSE(ReadSpinText(MakeSpinState(kClock), "12:00 pm").valid);
    EXPECT_FALSE(ReadSpinText(MakeSpinState(kClock), "13:00 pm").valid);
}

TEST(SpinTextTest, ReadsAtMostSeventyNineCharacters) {
    SpinState state = MakeSpinState(k12Hour);
    // The suffix character is the 80th: cut off, so the blank ends the text and is refused.
    std::string text = "1:" + std::string(76, '0') + " p";
    ASSERT_EQ(text.size(), 80u);
    EXPECT_FALSE(ReadSpinText(state, text).valid);
    text.erase(2, 1);  // now it is the 79th and is read
    SpinReading reading = ReadSpinText(state, text);
    EXPECT_TRUE(reading.valid);
    EXPECT_EQ(reading.main, 13);
    // In number mode digits beyond the 79th are not read.
    EXPECT_EQ(ReadSpinText(MakeSpinState(0), std::string(78, ' ') + "12").main, 1);
}

TEST(SpinTextTest, DecimalPrefixSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(DecimalPrefix(" \t+12ab"), 12);
    EXPECT_EQ(DecimalPrefix("-"), 0);
    EXPECT_EQ(DecimalPrefix("99999999999999999999"), INT_MAX);
    EXPECT_EQ(DecimalPrefix("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(DecimalPrefix("-2147483648"), INT_MIN);
}

TEST(SpinTextTest, StoringKeepsMinutesOutsideTimeModeAndIgnoresInvalidReadings) {
    SpinState state = MakeSpinState(kTime);
    StoreSpinReading(&state, ReadSpinText(state, "2:15"));
    EXPECT_EQ(FormatSpinText(state), "2:15");
    StoreSpinReading(&state, ReadSpinText(state, "2:60"));
    EXPECT_EQ(FormatSpinText(state), "2:15");
    // A 12-hour round trip: every hour reads back as itself.
    SpinState clock = MakeSpinState(k12Hour);
    for (int hour = 1; hour <= 24; ++hour) {
        clock.main.value = hour;
        SpinReading reading = ReadSpinText(clock, FormatSpinText(clock));
        EXPECT_TRUE(reading.valid) << hour;
        EXPECT_EQ(reading.main, hour);
    }
}

}  // namespace
}  // namespace kw::ctrl
