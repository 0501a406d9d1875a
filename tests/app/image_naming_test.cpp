// Image names: number padding and wrapping, the two kinds of names, the two cuts of the root and
// the "add_num" argument.

#include "app/image_naming.h"

#include <gtest/gtest.h>

using namespace sp::naming;

TEST(ImageNaming, NumbersArePaddedAndWrapAtTheDigitCount) {
    EXPECT_EQ(PadImageNumber(1, 4), "0001");
    EXPECT_EQ(PadImageNumber(10000, 4), "0000"); // 9999 is followed by 0000
    EXPECT_EQ(PadImageNumber(123456, 3), "456");
    EXPECT_EQ(PadImageNumber(7, 20), "00000000000000000007");
    EXPECT_EQ(PadImageNumber(7, 99), PadImageNumber(7, 20)); // at most 20 digits
    // No digits: the plain number, so successive saves never share one name.
    EXPECT_EQ(PadImageNumber(42, 0), "42");
    EXPECT_EQ(PadImageNumber(42, -1), "42");

    EXPECT_EQ(NextImageNumber(9999, 4), 0);
    EXPECT_EQ(NextImageNumber(41, 4), 42);
    EXPECT_EQ(NextImageNumber(9999, 0), 10000);
    EXPECT_EQ(NextImageNumber(99, 20), 100);
    EXPECT_EQ(NextImageNumber(INT64_MAX, 20), 0); // never overflows
    EXPECT_EQ(PadImageNumber(NextImageNumber(9999, 4), 4), "0000");
}

TEST(ImageNaming, NumberTextThatIsNotAnIntegerReadsAsZero) {
    EXPECT_EQ(ParseImageNumber(u"0042"), 42);
    EXPECT_EQ(ParseImageNumber(u" 17 "), 17);
    EXPECT_EQ(ParseImageNumber(u"+3"), 3);
    EXPECT_EQ(ParseImageNumber(u"-3"), -3);
    EXPECT_EQ(ParseImageNumber(u"00000000000000000009"), 9); // 20 digits
    EXPECT_EQ(ParseImageNumber(u"3000000000"), 3000000000);  // beyond 32 bits
    for (const char16_t* bad :
         {u"", u" ", u"12a", u"1 2", u"+-3", u"1.5", u"99999999999999999999", u"\u0661\u0662"})
        EXPECT_EQ(ParseImageNumber(bad), 0) << QString::fromUtf16(bad).toStdString();
}

TEST(ImageNaming, NumberedAndTimestampNames) {
    EXPECT_EQ(BuildNumberedName("/home/u/Pictures", "Stillpick", "0001", ImageExtension(1)),
              "/home/u/Pictures/Stillpick_0001.jpg");
    EXPECT_EQ(BuildNumberedName("/home/u/Pictures/", "Stillpick", "0000", ImageExtension(0)),
              "/home/u/Pictures/Stillpick_0000.bmp");
    EXPECT_EQ(ImageExtension(2), ".bmp");
    EXPECT_EQ(BuildTimestampName("/tmp", "Stillpick", "0:01:23:12", ".jpg"),
              "/tmp/Stillpick_0.01.23.12.jpg");
    // One position, one name: a second grab there meets the first file.
    EXPECT_EQ(BuildTimestampName("/tmp", "a", "1:00:00:00", ".bmp"),
              BuildTimestampName("/tmp/", "a", "1:00:00:00", ".bmp"));
}

TEST(ImageNaming, RootAfterANamingChangeCutsTheLastExtension) {
    RootInputs in;
    in.defaultRacine = "Holiday";
    EXPECT_EQ(UpdateRoot(in), "Stillpick"); // no file: whatever the mode
    in.iNomFichierImage = 1;
    EXPECT_EQ(UpdateRoot(in), "Stillpick");

    in.fileLoaded = true;
    in.filePath = "/videos/my.holiday.avi";
    EXPECT_EQ(UpdateRoot(in), "my.holiday");
    in.limiterLongueur = true;
    in.iRacineLength = 1;
    EXPECT_EQ(UpdateRoot(in), "m");
    in.iRacineLength = 50;
    EXPECT_EQ(UpdateRoot(in), "my.holiday");
    in.iRacineLength = -4;
    EXPECT_EQ(UpdateRoot(in), "");
    in.limiterLongueur = false;
    in.filePath = "/videos/clip";
    EXPECT_EQ(UpdateRoot(in), "clip");
    in.filePath = "/videos.d/clip";
    EXPECT_EQ(UpdateRoot(in), "clip"); // a dot in the folder is not an extension

    in.iNomFichierImage = 0;
    EXPECT_EQ(UpdateRoot(in), "Holiday");
}

TEST(ImageNaming, RootAtLoadCutsAtTheFirstDot) {
    RootInputs in{true, "/videos/my.holiday.avi", 1, "Holiday", false, 0};
    EXPECT_EQ(RootAtLoad(in), "my");
    in.limiterLongueur = true;
    in.iRacineLength = 1;
    EXPECT_EQ(RootAtLoad(in), "m");
    in.iRacineLength = 10;
    EXPECT_EQ(RootAtLoad(in), "my");
    in.filePath = "/videos.d/clip";
    EXPECT_EQ(RootAtLoad(in), ""); // no dot in the name
    in.iNomFichierImage = 0;
    EXPECT_EQ(RootAtLoad(in), "Holiday");
}

TEST(ImageNaming, NumberingArgumentTakesOnlyDigits) {
    EXPECT_EQ(ParseNumberingArgument(u" 0012 "), std::optional<QString>("0012"));
    EXPECT_EQ(ParseNumberingArgument(u"7"), std::optional<QString>("7"));
    for (const char16_t* bad : {u"12a", u"", u"   ", u"-3", u"+3", u"1.5", u"1 2", u"\u0661"})
        EXPECT_FALSE(ParseNumberingArgument(bad)) << QString::fromUtf16(bad).toStdString();
}
