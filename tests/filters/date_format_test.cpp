#include "filters/date_format.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <limits>
#include <ostream>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace sp {
namespace {

// Monday 5 February 2007 at 14:03:09.
constexpr double kMonday = 39118.0 + (14 * 3600 + 3 * 60 + 9) / 86400.0;

class DateFormat : public ::testing::Test {
protected:
    QString format(const char16_t* fmt, double day = kMonday) {
        return FormatDateTime(QStringView(fmt), day, french);
    }
    DateFormatConventions french = FrenchDateFormatConventions();
};

TEST_F(DateFormat, FrenchConventions) {
    EXPECT_EQ(french.longDayNames[0], u"dimanche");
    EXPECT_EQ(french.shortDayNames[1], u"lun.");
    EXPECT_EQ(french.longMonthNames[1], u"février");
    EXPECT_EQ(french.shortMonthNames[11], u"déc.");
    EXPECT_EQ(french.dateSeparator, u'/');
    EXPECT_EQ(french.timeSeparator, u':');
    EXPECT_EQ(format(u"ddddd"), u"05/02/2007");
    EXPECT_EQ(format(u"dddddd"), u"lundi 5 février 2007");
    EXPECT_EQ(format(u"t"), u"14:03");
    EXPECT_EQ(format(u"tt"), u"14:03:09");
    EXPECT_EQ(format(u"dddddd tt"), u"lundi 5 février 2007 14:03:09");
}

TEST_F(DateFormat, DayMonthYearTokens) {
    EXPECT_EQ(format(u"d dd ddd dddd"), u"5 05 lun. lundi");
    EXPECT_EQ(format(u"m mm mmm mmmm mmmmm"), u"2 02 févr. février février");
    EXPECT_EQ(format(u"y yy yyy yyyy"), u"07 07 2007 2007");
    EXPECT_EQ(format(u"d mmm yyyy", 36526.0), u"1 janv. 2000");
    EXPECT_EQ(format(u"dddd", 36526.0), u"samedi");
    EXPECT_EQ(format(u"DD/MM/YYYY"), u"05/02/2007") << "letters are case-insensitive";
}

TEST_F(DateFormat, TimeTokensAndMinutesAfterHour) {
    EXPECT_EQ(format(u"h:n:s"), u"14:3:9");
    EXPECT_EQ(format(u"hh:nn:ss"), u"14:03:09");
    EXPECT_EQ(format(u"hhh:nnn:sss"), u"14:03:09");
    EXPECT_EQ(format(u"hh:mm:ss"), u"14:03:09");
    EXPECT_EQ(format(u"h'h'm"), u"14h3") << "quoted text does not break the hour-minute link";
    EXPECT_EQ(format(u"mm hh"), u"02 14");
    EXPECT_EQ(format(u"hh d mm"), u"14 5 02") << "another letter token in between means month";
    EXPECT_EQ(format(u"hh:mmm"), u"14:03");
}

TEST_F(DateFormat, TwelveHourClock) {
    EXPECT_EQ(format(u"h am/pm"), u"2 pm");
    EXPECT_EQ(format(u"hh:nn AM/PM"), u"02:03 PM");
    EXPECT_EQ(format(u"h Am/Pm", 39118.0 + 0.5 / 24), u"12 Am");
    EXPECT_EQ(format(u"h am/pm", 39118.5), u"12 pm");
    EXPECT_EQ(format(u"am/pm h"), u"pm 2");
    EXPECT_EQ(format(u"h h am/pm"), u"14 2 pm") << "only the hour right before am/pm";
    EXPECT_EQ(format(u"h 'am/pm'"), u"14 am/pm");
    EXPECT_EQ(format(u"a h"), u"a 14");
}

TEST_F(DateFormat, QuotesSeparatorsAndOtherCharacters) {
    EXPECT_EQ(format(u"'le' d"), u"le 5");
    EXPECT_EQ(format(u"\"dd\"dd"), u"dd05");
    EXPECT_EQ(format(u"\"it's\" d"), u"it's 5");
    EXPECT_EQ(format(u"d 'unclosed"), u"5 unclosed");
    EXPECT_EQ(format(u"d-m-yy, x!"), u"5-2-07, x!");
    DateFormatConventions custom = french;
    custom.dateSeparator = u'.';
    custom.timeSeparator = u'h';
    EXPECT_EQ(FormatDateTime(u"dd/mm hh:nn", kMonday, custom), u"05.02 14h03");
}

TEST_F(DateFormat, EmptyAndUnrepresentable) {
    EXPECT_EQ(format(u""), u"");
    EXPECT_EQ(format(u"dd", std::numeric_limits<double>::quiet_NaN()), u"");
    EXPECT_EQ(format(u"dd", std::numeric_limits<double>::infinity()), u"");
    EXPECT_EQ(format(u"dd", 1e12), u"");
    EXPECT_EQ(format(u"dd/mm/yyyy hh:nn", -1.25), u"29/12/1899 06:00");
}

TEST_F(DateFormat, NestedFormatsExpandOneLevelOnly) {
    DateFormatConventions custom = french;
    custom.shortDateFormat = QStringLiteral("dddddd");
    custom.longDateFormat = QStringLiteral("yyyy");
    EXPECT_EQ(FormatDateTime(u"ddddd|", kMonday, custom), u"|");
    custom.shortTimeFormat = QStringLiteral("t"); // refers to itself: must end
    EXPECT_EQ(FormatDateTime(u"[t]", kMonday, custom), u"[]");
    custom.shortTimeFormat = QStringLiteral("hh am/pm");
    EXPECT_EQ(FormatDateTime(u"t hh", kMonday, custom), u"02 pm 14")
        << "the 12-hour clock of an inner format stays inside it";
}

TEST(DateFormatTranslation, QtFormatsBecomeThisLanguage) {
    EXPECT_EQ(FromQtDateTimeFormat(u"dd/MM/yyyy"), u"dd/mm/yyyy");
    EXPECT_EQ(FromQtDateTimeFormat(u"dddd d MMMM yyyy"), u"dddd d mmmm yyyy");
    EXPECT_EQ(FromQtDateTimeFormat(u"HH:mm:ss t"), u"hh:nn:ss");
    EXPECT_EQ(FromQtDateTimeFormat(u"HH 'h' mm"), u"hh \"h\" nn");
    EXPECT_EQ(FromQtDateTimeFormat(u"h:mm ap"), u"h:nn am/pm");
    EXPECT_EQ(FromQtDateTimeFormat(u"H:mm:ss.zzz"), u"h:nn:ss.");
    EXPECT_EQ(FromQtDateTimeFormat(u"'o''clock' h"), u"\"o'clock\" h");
    EXPECT_EQ(FromQtDateTimeFormat(u"d \"M\" 'x\"y'"), u"d '\"'m'\"' \"x\"'\"'\"y\"");
    EXPECT_EQ(FromQtDateTimeFormat(u"dddddd MMMMM"), u"dddd\"\"dd mmmm\"\"m");

    // Round trip through a locale with other separators and a 12-hour clock.
    const DateFormatConventions us =
        DateFormatConventionsFor(QLocale(QLocale::English, QLocale::UnitedStates));
    // CLDR 42 and later (newer Qt) put a narrow no-break space before the day period.
    const QString time = FormatDateTime(u"t", kMonday, us);
    EXPECT_TRUE(time == u"2:03 PM" || time == u"2:03\u202FPM") << time.toStdString();
    EXPECT_EQ(FormatDateTime(u"dddd", kMonday, us), u"Monday");
}

} // namespace
} // namespace sp
