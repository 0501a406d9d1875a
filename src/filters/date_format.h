// Date and time texts for the inlay, in the program's date format language.
//
// Dates are day counts: a double counting days since 30 December 1899, the fraction being the
// time of day (a negative count keeps its fraction as the time of day of the day it truncates
// to). Time differences are plain numbers of days added to a count.
//
// Format language (letters in either case; runs of one letter form one token):
//   d, dd        day of month, without / with a leading zero
//   ddd, dddd    short, long day name
//   ddddd        short date format;   dddddd (or longer)  long date format
//   m, mm        month number, or minutes when the previous letter token was an hour token
//   mmm, mmmm    short, long month name (mmmm or longer)
//   yy, yyyy     two-digit year (y, yy), four-digit year (yyy or longer)
//   h, hh        hour; 12-hour clock when "am/pm" appears before the next hour token, or
//                earlier in the format
//   n, nn        minute;   s, ss  second
//   t, tt        short time format, long time format (tt or longer)
//   am/pm        "am" before noon, "pm" from noon, in the letter case written
//   / and :      the date and time separators of the settings
//   '...' "..."  text copied without the quotes (an unclosed quote runs to the end)
// Any other character is copied. The formats of the settings are themselves written in this
// language and are expanded one level deep (a format inside a format is not expanded again).
//
// All functions are pure and may be called from any thread; a DateFormatConventions value is
// immutable once built. (The inlay renderer keeps one as its `DateFormatSettings`.)
#pragma once

#include <QString>
#include <QStringView>

#include <array>

class QLocale;

namespace sp {

struct DateFormatConventions {
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    QString shortDateFormat; // in the language above
    QString longDateFormat;
    QString shortTimeFormat;
    QString longTimeFormat;
    std::array<QString, 7> shortDayNames; // index 0 is Sunday
    std::array<QString, 7> longDayNames;
    std::array<QString, 12> shortMonthNames; // index 0 is January
    std::array<QString, 12> longMonthNames;
};

// Names, formats and separators of a locale, its formats translated into the language above.
DateFormatConventions DateFormatConventionsFor(const QLocale& locale);

// The French (France) conventions used for every inlay date; the system's when the French
// locale data is unavailable.
DateFormatConventions FrenchDateFormatConventions();

// Translates a Qt date/time format ("dd/MM/yyyy", "HH:mm:ss t") into the language above.
// Time-zone and millisecond fields, which the language lacks, are dropped.
QString FromQtDateTimeFormat(QStringView qtFormat);

// The local date and time now as a day count.
double CurrentDayCount();

// Formats a day count. An empty format gives an empty text; so does a count that is not finite
// or falls outside the years 1 to 9999 (see describe/day_count.h, which decodes it).
QString FormatDateTime(QStringView format, double dayCount, const DateFormatConventions& settings);

} // namespace sp
