#include "filters/inlay_text.h"

#include <gtest/gtest.h>

#include <climits>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace sp {
namespace {

// Monday 5 February 2007 at 14:03:09.
constexpr double kMonday = 39118.0 + (14 * 3600 + 3 * 60 + 9) / 86400.0;
// Saturday 1 January 2000 at 06:00.
constexpr double kNewYear = 36526.25;

class InlayText : public ::testing::Test {
protected:
    InlayLines lines() const { return ComputeInlayLines(settings, values, french); }

    DateFormatConventions french = FrenchDateFormatConventions();
    TincrustRec settings;
    InlayValues values = [] {
        InlayValues v;
        v.LastPosition = 12 * 10000000LL + 5 * 400000LL; // 0:00:12:05
        v.RealDate = kMonday;
        v.ImageNumber = 7;
        v.Digits = 4;
        return v;
    }();
};

TEST_F(InlayText, DefaultKindShowsTheTimestampWithoutDvData) {
    const InlayLines l = lines();
    EXPECT_EQ(l.First, u"");
    EXPECT_EQ(l.Second, u"0:00:12:05");

    values.RecDateValid = true;
    values.RecDateTime = kNewYear;
    EXPECT_EQ(lines().First, u"samedi 1 janvier 2000");
    EXPECT_EQ(lines().Second, u"06:00:00");
}

TEST_F(InlayText, DatecodeKind) {
    settings.WhatIncrust = 0;
    EXPECT_EQ(lines().First, u"N/A");
    EXPECT_EQ(lines().Second, u"N/A");

    values.RecDateValid = true;
    values.RecDateTime = kNewYear;
    settings.DecalageHoraire = 1.5; // a day and a half later
    settings.FormatDate1 = L"dd/mm/yyyy";
    settings.FormatDate2 = L"";
    EXPECT_EQ(lines().First, u"02/01/2000");
    EXPECT_EQ(lines().Second, u"") << "an empty format gives an empty line";
}

TEST_F(InlayText, TimecodeNumberTimestampAndNothing) {
    settings.WhatIncrust = 1;
    EXPECT_EQ(lines().First, u"");
    EXPECT_EQ(lines().Second, u"N/A");
    values.TimecodeValid = true;
    values.Timecode = 0x04030201; // 1 h 2 min 3 s frame 4
    EXPECT_EQ(lines().Second, u"1:02:03:04");

    settings.WhatIncrust = 6;
    EXPECT_EQ(lines().First, u"");
    EXPECT_EQ(lines().Second, u"0007");
    settings.WhatIncrust = 7;
    EXPECT_EQ(lines().Second, u"0:00:12:05");
    values.RecDateValid = true; // the timestamp kind ignores DV dates
    EXPECT_EQ(lines().Second, u"0:00:12:05");
    settings.WhatIncrust = 4;
    EXPECT_EQ(lines().First, u"");
    EXPECT_EQ(lines().Second, u"");
}

TEST_F(InlayText, RealDateForKind3AndUnknownKinds) {
    settings.DecalageHoraire = -1.0;
    for (uint8_t kind : {uint8_t(3), uint8_t(8), uint8_t(255)}) {
        settings.WhatIncrust = kind;
        EXPECT_EQ(lines().First, u"dimanche 4 février 2007") << int(kind);
        EXPECT_EQ(lines().Second, u"14:03:09") << int(kind);
    }
}

TEST_F(InlayText, PersonalTemplates) {
    settings.WhatIncrust = 2;
    const InlayLines l = lines();
    EXPECT_EQ(l.First, u"realized on lundi 5 février 2007");
    EXPECT_EQ(l.Second, u"with Stillpick by Orvane");

    // Letter case ignored; each line takes its own date format; every occurrence replaced.
    settings.Incrust1 = L"%d|%t|%r|%n|%s|%N";
    settings.Incrust2 = L"%D %R";
    values.TimecodeValid = true;
    values.Timecode = 0x00000000;
    EXPECT_EQ(lines().First, u"N/A|0:00:00:00|lundi 5 février 2007|0007|0:00:12:05|0007");
    EXPECT_EQ(lines().Second, u"N/A 14:03:09");
}

TEST_F(InlayText, LaterReplacementsApplyToEarlierResults) {
    settings.WhatIncrust = 2;
    settings.Incrust1 = L"[%R]";
    settings.FormatDate1 = L"'%n'"; // the real date's text holds "%n" ...
    EXPECT_EQ(lines().First, u"[0007]") << "... which the later number replacement fills in";
    settings.Incrust1 = L"[%N]";
    values.ImageNumber = 0;
    settings.FormatDate1 = L"'%N'";
    EXPECT_EQ(lines().First, u"[0000]");
    // A "%" next to a replaced text does not form a new token with it.
    settings.Incrust1 = L"%%NS";
    EXPECT_EQ(lines().First, u"%0000S");
}

TEST(InlayNumber, KeepsTheLastDigits) {
    EXPECT_EQ(ImageNumberText(12345, 4), u"2345");
    EXPECT_EQ(ImageNumberText(7, 4), u"0007");
    EXPECT_EQ(ImageNumberText(7, 1), u"7");
    EXPECT_EQ(ImageNumberText(7, 0), u"");
    EXPECT_EQ(ImageNumberText(7, -3), u"");
    EXPECT_EQ(ImageNumberText(7, 1000000000).size(), 32);
}

TEST(InlayLayoutRules, FontHeights) {
    EXPECT_EQ(AutoFontHeight(720), 28);
    EXPECT_EQ(AutoFontHeight(1920), 74);
    EXPECT_EQ(AutoFontHeight(300), 16);
    EXPECT_EQ(AutoFontHeight(0), 16);
    EXPECT_EQ(PointsToPixels(21), 28);
    EXPECT_EQ(PointsToPixels(8), 11);
    EXPECT_EQ(PointsToPixels(9), 12);
    EXPECT_EQ(PointsToPixels(-21), -28);
    TincrustRec rec;
    EXPECT_EQ(InlayLineHeight(rec, 1920), 74);
    rec.Autofontsize = false;
    rec.FontRec.Size = 36;
    EXPECT_EQ(InlayLineHeight(rec, 1920), 48);
    rec.FontRec.Size = -36;
    EXPECT_EQ(InlayLineHeight(rec, 1920), 48);
    rec.FontRec.Size = INT_MIN; // damaged settings: drawn at the bound
    EXPECT_EQ(InlayLineHeight(rec, 1920), PointsToPixels(kMaxFontSize));
}

TEST(InlayLayoutRules, DefaultPlacementOnPal) {
    const TincrustRec rec;
    InlayLayout layout{720,
                       576,
                       ClampPermille(rec.Xpos),
                       ClampPermille(rec.Ypos),
                       InlayLineHeight(rec, 720),
                       rec.Alignement};
    EXPECT_EQ(layout.LineHeight, 28);
    EXPECT_EQ(layout.X0(), 658);
    EXPECT_EQ(layout.Y0(), 526);
    EXPECT_EQ(layout.LinePosition(1, 120), (Point{538, 526})) << "ends at x 658";
    EXPECT_EQ(layout.LinePosition(0, 80), (Point{578, 498}));
}

TEST(InlayLayoutRules, Alignments) {
    InlayLayout layout{720, 576, 500, 900, 20, 0};
    EXPECT_EQ(layout.LinePosition(0, 101), (Point{360, 498}));
    EXPECT_EQ(layout.LinePosition(1, 101), (Point{360, 518}));
    layout.Alignment = 1;
    EXPECT_EQ(layout.LinePosition(1, 101), (Point{310, 518}));
    layout.Alignment = 2;
    EXPECT_EQ(layout.LinePosition(1, 101), (Point{259, 518}));
    layout.Alignment = 3;
    layout.XPermille = 0; // the subtitle ignores the horizontal position
    EXPECT_EQ(layout.LinePosition(0, 101), (Point{309, 498}));
    EXPECT_EQ(layout.LinePosition(1, 801), (Point{-40, 518})) << "truncated toward zero";
    layout.Alignment = 4;
    EXPECT_FALSE(layout.LinePosition(0, 10).has_value());
}

TEST(InlayLayoutRules, PositionsAreClampedToTheFrame) {
    EXPECT_EQ(ClampPermille(1500), 1000);
    EXPECT_EQ(ClampPermille(-20), 0);
    EXPECT_EQ(ClampPermille(914), 914);
    const InlayLayout layout{720, 576, ClampPermille(1500), ClampPermille(-1), 28, 0};
    EXPECT_EQ(layout.X0(), 720);
    EXPECT_EQ(layout.Y0(), 0);
}

TEST(InlayLayoutRules, BorderOffsets) {
    EXPECT_TRUE(BorderOffsets(0).empty());
    EXPECT_TRUE(BorderOffsets(-3).empty());
    EXPECT_EQ(BorderOffsets(1), (std::vector<Offset>{{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}));
    const auto two = BorderOffsets(2);
    ASSERT_EQ(two.size(), 12u);
    EXPECT_EQ(two.front(), (Offset{-2, -2}));
    EXPECT_EQ(two[2], (Offset{1, -2}));
    EXPECT_EQ(BorderOffsets(3).size(), 24u);
    EXPECT_EQ(BorderOffsets(99), BorderOffsets(5));
    EXPECT_EQ(BorderOffsets(5).size(), 60u);
}

} // namespace
} // namespace sp
