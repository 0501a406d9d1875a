#include "describe/wave_tags.h"

#include "platform/graph/guid.h"

#include <gtest/gtest.h>

using namespace sp;

TEST(WaveFormatTagName, NamesAndExceptions) {
    EXPECT_EQ(WaveFormatTagName(0x0001), "PCM");
    EXPECT_EQ(WaveFormatTagName(0x0055), "MP3");
    EXPECT_EQ(WaveFormatTagName(0x2000), "AC3");
    EXPECT_EQ(WaveFormatTagName(0x0050), "MPEG Audio");
    EXPECT_EQ(WaveFormatTagName(0x0088), "ISIAUDIO "); // trailing blank kept
    EXPECT_EQ(WaveFormatTagName(0x1401), "ISIAUDIO");
    EXPECT_EQ(WaveFormatTagName(0x0162), "WMA_Pro");
}

TEST(WaveFormatTagName, SharedNamesAndEnds) {
    for (uint16_t tag : {0x1102, 0x1103, 0x1104})
        EXPECT_EQ(WaveFormatTagName(tag), "LH_SBC");
    EXPECT_EQ(WaveFormatTagName(0x2001), "14_4");
    EXPECT_EQ(WaveFormatTagName(0x2002), "14_4");
    EXPECT_EQ(WaveFormatTagName(0x2003), "28_8");
    EXPECT_EQ(WaveFormatTagName(0x7A21), "GSM_AMR");
    EXPECT_EQ(WaveFormatTagName(0x7A22), "GSM_AMR");
}

TEST(WaveFormatTagName, UnknownTagsAreEmpty) {
    for (uint16_t tag : {0x0000, 0x000A, 0x0029, 0x0087, 0x1105, 0x7A23, 0xFFFE, 0xFFFF})
        EXPECT_EQ(WaveFormatTagName(tag), "") << tag;
    int known = 0;
    for (uint32_t tag = 0; tag <= 0xFFFF; ++tag)
        if (!WaveFormatTagName(uint16_t(tag)).empty()) ++known;
    EXPECT_EQ(known, 144); // 140 entries, three of them covering several tags
}

TEST(FourCCText, PrintableCodesOnly) {
    EXPECT_EQ(FourCCText(mf::makeFourCC('d', 'v', 's', 'd')), "dvsd");
    EXPECT_EQ(FourCCText(mf::makeFourCC('M', 'P', '4', 'V')), "MP4V");
    EXPECT_EQ(FourCCText(mf::makeFourCC(' ', ' ', ' ', ' ')), "    ");
    EXPECT_EQ(FourCCText(0x00000001), ""); // WAVE_FORMAT_PCM as a subtype
    EXPECT_EQ(FourCCText(mf::makeFourCC('d', 'v', 's', '\x1F')), "");
    EXPECT_EQ(FourCCText(mf::makeFourCC('\x1F', 'v', 's', 'd')), "");
    EXPECT_EQ(FourCCText(mf::makeFourCC('A', 'V', '\xE9', '1')), "AV\xC3\xA9"
                                                                 "1");
}
