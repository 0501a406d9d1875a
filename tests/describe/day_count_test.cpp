#include "describe/day_count.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace sp;

namespace {
double Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    auto v = EncodeDayCount({y, mo, d, h, mi, s, ms});
    EXPECT_TRUE(v.has_value()) << y << "-" << mo << "-" << d;
    return v.value_or(std::nan(""));
}
} // namespace

TEST(DayCount, KnownDays) {
    EXPECT_EQ(Encode(1899, 12, 30), 0.0);
    EXPECT_EQ(Encode(1900, 1, 1), 2.0);
    EXPECT_EQ(Encode(1900, 3, 1), 61.0); // 1900 is not a leap year
    EXPECT_EQ(Encode(2000, 1, 1), 36526.0);
    EXPECT_EQ(Encode(2000, 3, 1), 36586.0); // 2000 is one
    EXPECT_EQ(Encode(1970, 1, 1), 25569.0);
    EXPECT_EQ(Encode(1, 1, 1), -693593.0);
    EXPECT_EQ(Encode(9999, 12, 31), 2958465.0);
}

TEST(DayCount, TimeOfDayIsTheFraction) {
    EXPECT_DOUBLE_EQ(Encode(2000, 1, 1, 12), 36526.5);
    EXPECT_DOUBLE_EQ(Encode(2000, 1, 1, 6), 36526.25);
    // Before the origin the time still counts forward from midnight of that day.
    EXPECT_DOUBLE_EQ(Encode(1899, 12, 29, 6), -1.25);
}

TEST(DayCount, ValidityRules) {
    EXPECT_FALSE(IsValidDate(2004, 13, 1));
    EXPECT_FALSE(IsValidDate(2004, 0, 1));
    EXPECT_FALSE(IsValidDate(2004, 4, 31));
    EXPECT_TRUE(IsValidDate(2004, 5, 31));
    EXPECT_TRUE(IsValidDate(2004, 2, 29));
    EXPECT_FALSE(IsValidDate(2003, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(2000, 1, 0));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_FALSE(IsValidTime(24, 0, 0, 0));
    EXPECT_FALSE(IsValidTime(0, 60, 0, 0));
    EXPECT_FALSE(IsValidTime(0, 0, 60, 0));
    EXPECT_FALSE(IsValidTime(0, 0, 0, 1000));
    EXPECT_FALSE(IsValidTime(-1, 0, 0, 0));
    EXPECT_TRUE(IsValidTime(23, 59, 59, 999));
    EXPECT_FALSE(EncodeDayCount({2004, 13, 1}).has_value());
    EXPECT_FALSE(EncodeDayCount({2004, 1, 1, 25}).has_value());
}

TEST(DayCount, DecodeRoundTripsEveryFewDays) {
    for (double day = -693593; day <= 2958465; day += 97) {
        double value = day < 0 ? day - 0.75 : day + 0.75; // 18:00 on that day
        auto cal = DecodeDayCount(value);
        ASSERT_TRUE(cal.has_value()) << day;
        EXPECT_EQ(cal->Hour, 18) << day;
        EXPECT_EQ(EncodeDayCount(*cal).value_or(-1e9), value) << day;
    }
}

TEST(DayCount, DecodeGivesCalendarFields) {
    auto cal = DecodeDayCount(Encode(2039, 2, 28, 23, 59, 58, 250));
    ASSERT_TRUE(cal.has_value());
    EXPECT_EQ(*cal, (CalendarDateTime{2039, 2, 28, 23, 59, 58, 250}));
    auto leap = DecodeDayCount(Encode(2024, 2, 29, 1, 2, 3));
    ASSERT_TRUE(leap.has_value());
    EXPECT_EQ(*leap, (CalendarDateTime{2024, 2, 29, 1, 2, 3, 0}));
    auto early = DecodeDayCount(-1.25);
    ASSERT_TRUE(early.has_value());
    EXPECT_EQ(*early, (CalendarDateTime{1899, 12, 29, 6, 0, 0, 0}));
}

TEST(DayCount, DecodeCarriesAMillisecondRoundUpIntoTheNextDay) {
    auto cal = DecodeDayCount(36526.0 - 1e-10); // a hair before 1 January 2000
    ASSERT_TRUE(cal.has_value());
    EXPECT_EQ(*cal, (CalendarDateTime{2000, 1, 1, 0, 0, 0, 0}));
}

TEST(DayCount, DecodeRejectsWhatNoCalendarHolds) {
    EXPECT_FALSE(DecodeDayCount(std::nan("")).has_value());
    EXPECT_FALSE(DecodeDayCount(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(DecodeDayCount(2958466.0).has_value());
    EXPECT_FALSE(DecodeDayCount(-693594.5).has_value());
    EXPECT_FALSE(DecodeDayCount(1e300).has_value());
}
