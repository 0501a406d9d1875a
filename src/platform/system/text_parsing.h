#pragma once
// Small text helpers used across the program: removing mark-up tags from a message, and number
// parsing that never fails (anything unreadable is 0). Pure functions, any thread.

#include <QString>
#include <QStringView>

namespace sp {

// Removes every "<" together with everything up to the next ">"; a "<" with no ">" after it
// removes the rest of the text.
QString StripTags(QStringView text);

// Blank-trimmed decimal integer (an optional sign, then digits); 0 for anything else, including
// numbers outside the 32-bit range.
int ParseIntOrZero(QStringView text);

// Blank-trimmed number written with the system locale's decimal separator; 0 for anything that
// does not parse and for infinities and NaN.
double ParseFloatOrZero(QStringView text);

} // namespace sp
