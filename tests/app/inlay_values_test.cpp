// The time-difference texts and the reading of the inlay commands' arguments.

#include "app/inlay_values.h"

#include "describe/day_count.h"

#include <gtest/gtest.h>

namespace {

using namespace sp;

double At(int h, int m, int s, int ms = 0) {
    return *EncodeDayCount({2009, 7, 14, h, m, s, ms});
}

TEST(DifferenceText, WholeHoursAloneOtherwiseDaysHoursMinutesSeconds) {
    EXPECT_EQ(DifferenceText(2.0 / 24), "2 hours");
    EXPECT_EQ(DifferenceText(0), "0 hours");
    EXPECT_EQ(DifferenceText(1 + 3.0 / 24 + 5.0 / 1440), "1 days 03h 05m 00s");
    EXPECT_EQ(DifferenceText(1.0), "1 days 00h 00m 00s");
    // Every part takes the sign of the difference.
    EXPECT_EQ(DifferenceText(-90.0 / 86400), "0 days 00h -01m -30s");
    EXPECT_EQ(DifferenceText(-3.0 / 24), "-3 hours");
    EXPECT_EQ(DifferenceText(-(1 + 1.0 / 24 + 1.0 / 86400)), "-1 days -01h 00m -01s");
}

TEST(DifferenceText, SecondsAreRoundedHalvesToEven) {
    EXPECT_EQ(DifferenceText(0.5 / 86400), "0 hours");
    EXPECT_EQ(DifferenceText(1.5 / 86400), "0 days 00h 00m 02s");
    EXPECT_EQ(DifferenceText(2.5 / 86400), "0 days 00h 00m 02s");
    EXPECT_EQ(DifferenceText(59.6 / 86400), "0 days 00h 01m 00s");
}

TEST(TruncateToSecond, DropsTheMillisecondsOnly) {
    EXPECT_DOUBLE_EQ(TruncateToSecond(At(12, 30, 45, 400)), At(12, 30, 45));
    EXPECT_DOUBLE_EQ(TruncateToSecond(At(23, 59, 59, 999)), At(23, 59, 59));
    EXPECT_DOUBLE_EQ(TruncateToSecond(At(0, 0, 0)), At(0, 0, 0));
    // Summed the same way, a truncated date read back from its parts is that same number.
    const double t = TruncateToSecond(At(12, 30, 45, 400));
    EXPECT_EQ(t - (double(int64_t(t)) + (12.0 / 24 + 30.0 / 1440 + 45.0 / 86400)), 0.0);
}

TEST(InlayArguments, IntegersDaysAndColours) {
    EXPECT_EQ(ReadInteger("9"), 9);
    EXPECT_EQ(ReadInteger(" -3 "), -3);
    EXPECT_EQ(ReadInteger("$1F"), 31);
    EXPECT_EQ(ReadInteger("0x10"), 16);
    EXPECT_EQ(ReadInteger("auto©"), 0);
    EXPECT_EQ(ReadInteger(""), 0);
    EXPECT_EQ(ReadInteger("99999999999"), 0);
    EXPECT_DOUBLE_EQ(ReadDays("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ReadDays(" -0,25"), -0.25);
    EXPECT_DOUBLE_EQ(ReadDays("tomorrow"), 0.0);
    EXPECT_DOUBLE_EQ(ReadDays("inf"), 0.0);

    EXPECT_EQ(ColorFromText("clRed"), 0x0000FF);
    EXPECT_EQ(ColorFromText("NAVY"), 0x800000);
    EXPECT_EQ(ColorFromText("#FF8000"), 0x0080FF); // written red, green, blue
    EXPECT_EQ(ColorFromText("$00FF00"), 0x00FF00); // numbers are blue, green, red
    EXPECT_EQ(ColorFromText("255"), 0x0000FF);
    EXPECT_EQ(ColorFromText("no colour"), 0xFFFFFF);
    EXPECT_EQ(ColorFromText("-1"), 0xFFFFFF);
    EXPECT_EQ(ColorFromText(""), 0xFFFFFF);
    EXPECT_EQ(RgbFromBgr(0xF0CAA6), 0xFFA6CAF0u);
    EXPECT_EQ(BgrFromRgb(0xFFA6CAF0u), 0xF0CAA6);
}

} // namespace
