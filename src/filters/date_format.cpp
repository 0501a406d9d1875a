#include "filters/date_format.h"

#include "describe/day_count.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <utility>

namespace sp {

namespace {

constexpr qint64 kJulianDayOfDayZero = 2415019; // 30 December 1899
constexpr qint64 kMsecsPerDay = 86400000;
constexpr int kMaxFormatDepth = 2; // the format, and one level of formats inside it

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

char16_t upperAscii(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? char16_t(u - 32) : u;
}

// Length of the run of the same letter (either case) starting at `at`.
qsizetype runLength(QStringView text, qsizetype at) {
    const char16_t letter = upperAscii(text[at]);
    qsizetype end = at + 1;
    while (end < text.size() && upperAscii(text[end]) == letter)
        ++end;
    return end - at;
}

bool startsWithAmPm(QStringView text, qsizetype at) {
    return text.mid(at).startsWith(u"am/pm", Qt::CaseInsensitive);
}

// Whether an hour token ending at `from` uses the 12-hour clock: "am/pm" comes before the
// next hour token (quoted text skipped).
bool amPmFollows(QStringView format, qsizetype from) {
    bool quoted = false;
    for (qsizetype i = from; i < format.size(); ++i) {
        const char16_t c = upperAscii(format[i]);
        if (c == u'\'' || c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'H')
            return false;
        else if (!quoted && c == u'A')
            return startsWithAmPm(format, i);
    }
    return false;
}

class Formatter {
public:
    Formatter(const CalendarDateTime& value, const DateFormatConventions& settings)
        : value_(value), settings_(settings),
          dayOfWeek_(QDate(value.Year, value.Month, value.Day).dayOfWeek() % 7) {}

    void append(QStringView format, int depth);
    QString takeText() { return std::move(text_); }

private:
    qsizetype appendToken(QStringView format, qsizetype at, char16_t token, int depth);
    void appendDateField(char16_t token, qsizetype run, int depth); // Y, D or M
    qsizetype appendQuoted(QStringView format, qsizetype at);
    void appendNumber(int value, qsizetype digits) {
        text_ += QString::number(value).rightJustified(digits, u'0');
    }
    int hourToShow(QStringView format, qsizetype after);

    const CalendarDateTime& value_;
    const DateFormatConventions& settings_;
    const int dayOfWeek_; // 0 Sunday .. 6 Saturday
    QString text_;
    bool twelveHour_ = false;
};

void Formatter::append(QStringView format, int depth) {
    if (depth >= kMaxFormatDepth) return;
    const bool outerTwelveHour = twelveHour_;
    twelveHour_ = false;
    char16_t lastLetter = u' ';
    qsizetype at = 0;
    while (at < format.size()) {
        char16_t token = upperAscii(format[at]);
        if (isAsciiLetter(format[at])) {
            // "m" right after an hour token counts minutes.
            if (token == u'M' && lastLetter == u'H') token = u'N';
            lastLetter = token;
        }
        at = appendToken(format, at, token, depth);
    }
    twelveHour_ = outerTwelveHour;
}

int Formatter::hourToShow(QStringView format, qsizetype after) {
    if (!twelveHour_ && !amPmFollows(format, after)) return value_.Hour;
    if (value_.Hour == 0) return 12;
    return value_.Hour > 12 ? value_.Hour - 12 : value_.Hour;
}

// Appends the token starting at `at` and returns the position after it.
qsizetype Formatter::appendToken(QStringView format, qsizetype at, char16_t token, int depth) {
    const qsizetype run = runLength(format, at);
    switch (token) {
    case u'Y':
    case u'D':
    case u'M':
        appendDateField(token, run, depth);
        return at + run;
    case u'H':
        appendNumber(hourToShow(format, at + run), std::min<qsizetype>(run, 2));
        return at + run;
    case u'N':
        appendNumber(value_.Minute, std::min<qsizetype>(run, 2));
        return at + run;
    case u'S':
        appendNumber(value_.Second, std::min<qsizetype>(run, 2));
        return at + run;
    case u'T':
        append(run == 1 ? settings_.shortTimeFormat : settings_.longTimeFormat, depth + 1);
        return at + run;
    case u'A':
        if (!startsWithAmPm(format, at)) break;
        // The letters are copied as written: "AM/PM" gives "AM" or "PM".
        text_ += format.mid(value_.Hour >= 12 ? at + 3 : at, 2);
        twelveHour_ = true;
        return at + 5;
    case u'/':
    case u':':
        text_ += token == u'/' ? settings_.dateSeparator : settings_.timeSeparator;
        return at + 1;
    case u'\'':
    case u'"':
        return appendQuoted(format, at);
    default:
        break;
    }
    text_ += format[at];
    return at + 1;
}

void Formatter::appendDateField(char16_t token, qsizetype run, int depth) {
    const auto weekDay = std::size_t(dayOfWeek_);
    const auto month = std::size_t(value_.Month - 1);
    if (token == u'Y') {
        appendNumber(run <= 2 ? value_.Year % 100 : value_.Year, run <= 2 ? 2 : 4);
    } else if (token == u'D') {
        if (run <= 2)
            appendNumber(value_.Day, run);
        else if (run <= 4)
            text_ += run == 3 ? settings_.shortDayNames[weekDay] : settings_.longDayNames[weekDay];
        else
            append(run == 5 ? settings_.shortDateFormat : settings_.longDateFormat, depth + 1);
    } else if (run <= 2) {
        appendNumber(value_.Month, run);
    } else {
        text_ += run == 3 ? settings_.shortMonthNames[month] : settings_.longMonthNames[month];
    }
}

qsizetype Formatter::appendQuoted(QStringView format, qsizetype at) {
    const QChar quote = format[at];
    qsizetype end = at + 1;
    while (end < format.size() && format[end] != quote)
        ++end;
    text_ += format.mid(at + 1, end - at - 1);
    return end < format.size() ? end + 1 : end;
}

// --- Translation of Qt formats ---

// Appends literal text so that it is copied as it stands: text holding letters, separators or
// quotes goes inside double quotes, and a double quote inside single quotes.
void appendLiteral(QString& out, QStringView text) {
    const bool needsQuotes = std::any_of(text.begin(), text.end(), [](QChar c) {
        return isAsciiLetter(c) || c == u'/' || c == u':' || c == u'\'' || c == u'"';
    });
    if (!needsQuotes) {
        out += text;
        return;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype quote = text.indexOf(u'"', start);
        const qsizetype end = quote < 0 ? text.size() : quote;
        if (end > start) out += u'"' + text.mid(start, end - start).toString() + u'"';
        if (quote >= 0) out += u"'\"'";
        start = end + 1;
    }
}

// Appends `letter` repeated `count` times in chunks of at most `chunk`, separated by an empty
// quote so that the chunks stay separate tokens.
void appendTokenRun(QString& out, char16_t letter, qsizetype count, qsizetype chunk) {
    for (qsizetype done = 0; done < count; done += chunk) {
        if (done > 0) out += u"\"\"";
        out += QString(std::min(chunk, count - done), QChar(letter));
    }
}

// Collects Qt's quoted text starting at `at` ('' stands for one quote character) and returns
// the position after it.
qsizetype readQtQuoted(QString& literal, QStringView qt, qsizetype at) {
    qsizetype i = at + 1;
    if (i < qt.size() && qt[i] == u'\'') {
        literal += u'\'';
        return i + 1;
    }
    for (; i < qt.size(); ++i) {
        if (qt[i] != u'\'') {
            literal += qt[i];
        } else if (i + 1 < qt.size() && qt[i + 1] == u'\'') {
            literal += u'\'';
            ++i;
        } else {
            return i + 1;
        }
    }
    return i;
}

// Appends the translation of the Qt field starting at `at`; returns the position after it, or
// `at` itself when the letter is no Qt field and is literal text.
qsizetype translateQtField(QString& out, QStringView qt, qsizetype at) {
    const QChar c = qt[at];
    qsizetype run = 1;
    while (at + run < qt.size() && qt[at + run] == c)
        ++run;
    switch (c.unicode()) {
    case u'd':
        appendTokenRun(out, u'd', run, 4);
        break;
    case u'M':
        appendTokenRun(out, u'm', run, 4);
        break;
    case u'y':
        out += run >= 3 ? u"yyyy" : u"yy";
        break;
    case u'h':
    case u'H':
        appendTokenRun(out, u'h', run, 2);
        break;
    case u'm':
        appendTokenRun(out, u'n', run, 2);
        break;
    case u's':
        appendTokenRun(out, u's', run, 2);
        break;
    case u'z':
    case u't':
        break; // milliseconds and time zone: not in the language
    case u'a':
    case u'A':
        out += c == u'a' ? u"am/pm" : u"AM/PM";
        return (at + 1 < qt.size() && upperAscii(qt[at + 1]) == u'P') ? at + 2 : at + 1;
    default:
        return at;
    }
    return at + run;
}

// The first punctuation character of a Qt format, outside quotes.
QChar firstSeparator(QStringView qt, QChar fallback) {
    bool quoted = false;
    for (QChar c : qt) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetterOrNumber() && !c.isSpace())
            return c;
    }
    return fallback;
}

} // namespace

QString FromQtDateTimeFormat(QStringView qtFormat) {
    QString out;
    QString literal; // literal text waiting to be appended in one piece
    qsizetype at = 0;
    while (at < qtFormat.size()) {
        const QChar c = qtFormat[at];
        if (c == u'\'') {
            at = readQtQuoted(literal, qtFormat, at);
            continue;
        }
        if (c == u'"') {
            literal += c;
            ++at;
            continue;
        }
        if (!isAsciiLetter(c)) {
            // Unquoted separators keep their role: the separators are read from these formats.
            appendLiteral(out, std::exchange(literal, {}));
            out += c;
            ++at;
            continue;
        }
        QString field;
        const qsizetype next = translateQtField(field, qtFormat, at);
        if (next == at) {
            literal += c;
            ++at;
        } else {
            appendLiteral(out, std::exchange(literal, {}));
            out += field;
            at = next;
        }
    }
    appendLiteral(out, literal);
    return out.trimmed();
}

DateFormatConventions DateFormatConventionsFor(const QLocale& locale) {
    DateFormatConventions s;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    s.dateSeparator = firstSeparator(shortDate, u'/');
    s.timeSeparator = firstSeparator(shortTime, u':');
    s.shortDateFormat = FromQtDateTimeFormat(shortDate);
    s.longDateFormat = FromQtDateTimeFormat(locale.dateFormat(QLocale::LongFormat));
    s.shortTimeFormat = FromQtDateTimeFormat(shortTime);
    s.longTimeFormat = FromQtDateTimeFormat(locale.timeFormat(QLocale::LongFormat));
    for (int i = 0; i < 7; ++i) {
        const int qtDay = i == 0 ? 7 : i; // Qt counts from Monday = 1 to Sunday = 7
        s.shortDayNames[std::size_t(i)] = locale.dayName(qtDay, QLocale::ShortFormat);
        s.longDayNames[std::size_t(i)] = locale.dayName(qtDay, QLocale::LongFormat);
    }
    for (int i = 0; i < 12; ++i) {
        s.shortMonthNames[std::size_t(i)] = locale.monthName(i + 1, QLocale::ShortFormat);
        s.longMonthNames[std::size_t(i)] = locale.monthName(i + 1, QLocale::LongFormat);
    }
    return s;
}

DateFormatConventions FrenchDateFormatConventions() {
    const QLocale french(QLocale::French, QLocale::France);
    if (french.language() != QLocale::French) return DateFormatConventionsFor(QLocale::system());
    return DateFormatConventionsFor(french);
}

double CurrentDayCount() {
    const QDateTime now = QDateTime::currentDateTime();
    const double days = double(now.date().toJulianDay() - kJulianDayOfDayZero);
    return days + double(now.time().msecsSinceStartOfDay()) / double(kMsecsPerDay);
}

QString FormatDateTime(QStringView format, double dayCount, const DateFormatConventions& settings) {
    if (format.isEmpty()) return {};
    const std::optional<CalendarDateTime> value = DecodeDayCount(dayCount);
    if (!value) return {};
    Formatter formatter(*value, settings);
    formatter.append(format, 0);
    return formatter.takeText();
}

} // namespace sp
