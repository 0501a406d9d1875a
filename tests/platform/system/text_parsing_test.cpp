#include "platform/system/text_parsing.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(StripTags, RemovesTagsAroundAFileNameInAReport) {
    EXPECT_EQ(StripTags(u"The file <color Maroon>/home/a/clip.mts</color> cannot be read."),
              u"The file /home/a/clip.mts cannot be read.");
    EXPECT_EQ(StripTags(u"<b><color navy>Stillpick</color></b> has<br>found"),
              u"Stillpick hasfound");
}

TEST(StripTags, KeepsClosingBracketsOutsideTagsAndDropsAnUnclosedTail) {
    EXPECT_EQ(StripTags(u"a > b <i>c</i>"), u"a > b c");
    EXPECT_EQ(StripTags(u"kept <lost to the end"), u"kept ");
    EXPECT_EQ(StripTags(u"<<>x"), u"x"); // a tag ends at the first ">"
    EXPECT_EQ(StripTags(u""), u"");
}

TEST(ParseIntOrZero, ReadsTrimmedDecimalsAndGivesZeroOtherwise) {
    EXPECT_EQ(ParseIntOrZero(u"  42 "), 42);
    EXPECT_EQ(ParseIntOrZero(u"-7"), -7);
    EXPECT_EQ(ParseIntOrZero(u"2147483647"), 2147483647);
    for (const char16_t* bad : {u"", u"  ", u"12a", u"0x10", u"1.5", u"2147483648", u"ten"})
        EXPECT_EQ(ParseIntOrZero(bad), 0) << QString::fromUtf16(bad).toStdString();
}

TEST(ParseFloatOrZero, ReadsTheLocaleNumberAndGivesZeroOtherwise) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_DOUBLE_EQ(ParseFloatOrZero(u" 1,5 "), 1.5);
    EXPECT_DOUBLE_EQ(ParseFloatOrZero(u"abc"), 0.0);
    EXPECT_DOUBLE_EQ(ParseFloatOrZero(u"inf"), 0.0);
    QLocale::setDefault(QLocale::c());
    EXPECT_DOUBLE_EQ(ParseFloatOrZero(u"-0.25"), -0.25);
    EXPECT_DOUBLE_EQ(ParseFloatOrZero(u""), 0.0);
    QLocale::setDefault(saved);
}

} // namespace
} // namespace sp
