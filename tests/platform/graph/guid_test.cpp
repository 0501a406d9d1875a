#include "platform/graph/guids.h"
#include "platform/graph/mediatype.h"

#include <gtest/gtest.h>

using namespace mf;

TEST(Guid, TextFormRoundTripsAndRejectsMalformedText) {
    auto g = GUID::parse("{e436eb7e-524f-11ce-9f53-0020af0ba770}");
    ASSERT_TRUE(g);
    EXPECT_EQ(*g, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(g->toString(), "{E436EB7E-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GUID::parse("E436EB7E-524F-11CE-9F53-0020AF0BA770"), g);
    EXPECT_FALSE(GUID::parse("{E436EB7E-524F-11CE-9F53-0020AF0BA77}"));
    EXPECT_FALSE(GUID::parse("{E436EB7E-524F-11CE-9F53X0020AF0BA770}"));
    EXPECT_FALSE(GUID::parse("{G436EB7E-524F-11CE-9F53-0020AF0BA770}"));
    EXPECT_FALSE(GUID::parse(""));
}

TEST(Guid, FourCharacterCodeFormMatchesRegisteredSubtypes) {
    EXPECT_EQ(MEDIASUBTYPE_dvsd.toString(), "{64737664-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(MEDIASUBTYPE_PCM.toString(), "{00000001-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(guidName(FORMAT_VideoInfo2), "FORMAT_VideoInfo2");
    EXPECT_EQ(guidName(GUID{1, 2, 3, {}}), "{00000001-0002-0003-0000-000000000000}");
}

TEST(MediaType, FormatBlockIsReadOnlyWhenLongEnough) {
    MediaType mt = makeRgb32Type(720, 576, 400000);
    EXPECT_EQ(mt.cbFormat(), 88u);
    ASSERT_TRUE(mt.bitmapHeader());
    EXPECT_EQ(mt.bitmapHeader()->biWidth, 720);
    EXPECT_EQ(mt.lSampleSize, 720u * 576 * 4);
    EXPECT_FALSE(mt.formatAs<VIDEOINFOHEADER2>()); // 88 bytes cannot hold 112
    mt.format.resize(40);
    EXPECT_FALSE(mt.bitmapHeader());
}

TEST(MediaType, PartialMatchTreatsNullAsWildcard) {
    MediaType pattern;
    pattern.majortype = MEDIATYPE_Video;
    pattern.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_TRUE(matchesPartial(pattern, makeRgb32Type(4, 4, 0)));
    EXPECT_FALSE(matchesPartial(pattern, makePcmType(48000, 2)));
    EXPECT_TRUE(matchesPartial(MediaType{}, makePcmType(48000, 2)));
}
