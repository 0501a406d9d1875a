#pragma once
// Dates and times as a day count: a double counting days since 30 December 1899 (day 0), the
// fraction being the time of day. A time difference is a number of days added to it.
//
// Before day 0 the whole part counts days backwards while the fraction still gives the time of
// day, so -1.25 is 29 December 1899 at 06:00 (the fraction's sign is ignored when decoding).
// The calendar is the proleptic Gregorian one, years 1 to 9999.
//
// All functions are pure and may be called from any thread.

#include <optional>

namespace sp {

struct CalendarDateTime {
    int Year = 1899;
    int Month = 12; // 1..12
    int Day = 30;   // 1..31
    int Hour = 0;   // 0..23
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    friend bool operator==(const CalendarDateTime&, const CalendarDateTime&) = default;
};

inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;
inline constexpr double kMillisecondsPerDay = 86400000.0;

bool IsLeapYear(int year);
// Days in the month, 0 when the month is outside 1..12.
int DaysInMonth(int year, int month);
// Year within 1..9999, month within 1..12, day within the month (29 February only in leap years).
bool IsValidDate(int year, int month, int day);
// 0..23, 0..59, 0..59, 0..999.
bool IsValidTime(int hour, int minute, int second, int millisecond);

// The day count of a calendar date and time; nullopt when the date or the time is not valid.
std::optional<double> EncodeDayCount(const CalendarDateTime& value);

// The calendar value of a day count, rounded to the nearest millisecond; nullopt when the count
// is not finite or falls outside the years 1..9999.
std::optional<CalendarDateTime> DecodeDayCount(double dayCount);

} // namespace sp
