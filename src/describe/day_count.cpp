#include "describe/day_count.h"

#include <cmath>
#include <cstdint>

namespace sp {

namespace {

// Days before the first of each month in a common year.
constexpr int kDaysBeforeMonth[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr bool LeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1 January of year 1 to 1 January of `year`.
constexpr int64_t DaysBeforeYear(int64_t year) {
    int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

constexpr int DaysBeforeMonth(int year, int month) {
    return kDaysBeforeMonth[month] + ((month > 2 && LeapYear(year)) ? 1 : 0);
}

// Serial number of a valid date, 1 January of year 1 being day 1.
constexpr int64_t DayNumber(int year, int month, int day) {
    return DaysBeforeYear(year) + DaysBeforeMonth(year, month) + day;
}

// Day number of 30 December 1899, the day count's origin: a constant, so that day counts made
// while other files' statics are set up already see it.
constexpr int64_t kOriginDayNumber = DayNumber(1899, 12, 30);
static_assert(kOriginDayNumber == 693594);

// The date of a day number within the years 1..9999.
void DateOfDayNumber(int64_t n, CalendarDateTime& out) {
    int year = int(n * 400 / 146097) + 1; // close estimate, corrected below
    while (year > kFirstYear && DaysBeforeYear(year) >= n)
        --year;
    while (year < kLastYear && DaysBeforeYear(year + 1) < n)
        ++year;
    int dayOfYear = int(n - DaysBeforeYear(year)); // 1-based
    int month = 1;
    while (month < 12 && dayOfYear > DaysBeforeMonth(year, month + 1))
        ++month;
    out.Year = year;
    out.Month = month;
    out.Day = dayOfYear - DaysBeforeMonth(year, month);
}

} // namespace

bool IsLeapYear(int year) {
    return LeapYear(year);
}

int DaysInMonth(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kLengths[month - 1] + ((month == 2 && IsLeapYear(year)) ? 1 : 0);
}

bool IsValidDate(int year, int month, int day) {
    return year >= kFirstYear && year <= kLastYear && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

std::optional<double> EncodeDayCount(const CalendarDateTime& v) {
    if (!IsValidDate(v.Year, v.Month, v.Day) ||
        !IsValidTime(v.Hour, v.Minute, v.Second, v.Millisecond))
        return std::nullopt;
    double date = double(DayNumber(v.Year, v.Month, v.Day) - kOriginDayNumber);
    int64_t ms = ((int64_t(v.Hour) * 60 + v.Minute) * 60 + v.Second) * 1000 + v.Millisecond;
    double time = double(ms) / kMillisecondsPerDay;
    // Before the origin the time of day is carried by the fraction's magnitude.
    return date < 0 ? date - time : date + time;
}

std::optional<CalendarDateTime> DecodeDayCount(double dayCount) {
    const double lowest = double(DayNumber(kFirstYear, 1, 1) - kOriginDayNumber) - 1.0;
    const double highest = double(DayNumber(kLastYear, 12, 31) - kOriginDayNumber) + 1.0;
    if (!std::isfinite(dayCount) || dayCount <= lowest || dayCount >= highest) return std::nullopt;

    double whole = std::trunc(dayCount);
    auto ms = int64_t(std::llround(std::fabs(dayCount - whole) * kMillisecondsPerDay));
    auto day = int64_t(whole);
    if (ms >= int64_t(kMillisecondsPerDay)) { // rounded up to the next midnight
        ms -= int64_t(kMillisecondsPerDay);
        day += dayCount < 0 ? -1 : 1;
    }
    int64_t n = day + kOriginDayNumber;
    if (n < 1 || n > DayNumber(kLastYear, 12, 31)) return std::nullopt;

    CalendarDateTime out;
    DateOfDayNumber(n, out);
    out.Millisecond = int(ms % 1000);
    out.Second = int(ms / 1000 % 60);
    out.Minute = int(ms / 60000 % 60);
    out.Hour = int(ms / 3600000);
    return out;
}

} // namespace sp
