#include "describe/mpeg_header.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace sp;

namespace {
// A sequence header: start code, 12-bit width and height, aspect and frame-rate codes.
std::vector<uint8_t> Header(int width, int height, int aspect, int rate) {
    return {0x00,
            0x00,
            0x01,
            0xB3,
            uint8_t(width >> 4),
            uint8_t((width & 0x0F) << 4 | (height >> 8)),
            uint8_t(height & 0xFF),
            uint8_t(aspect << 4 | rate),
            0xFF, // bit rate follows in a real stream
            0xFF};
}
} // namespace

TEST(MpegHeader, SizesUseAllTwelveBits) {
    auto hd = Header(1920, 1088, 3, 4);
    EXPECT_TRUE(IsMpegSequenceHeader(hd));
    EXPECT_EQ(MpegWidth(hd), 1920);
    EXPECT_EQ(MpegHeight(hd), 1088);
    auto pal = Header(720, 576, 2, 3);
    EXPECT_EQ(MpegWidth(pal), 720);
    EXPECT_EQ(MpegHeight(pal), 576);
    auto max = Header(4095, 4095, 1, 1);
    EXPECT_EQ(MpegWidth(max), 4095);
    EXPECT_EQ(MpegHeight(max), 4095);
}

TEST(MpegHeader, StartCode) {
    auto h = Header(720, 576, 2, 3);
    EXPECT_TRUE(IsMpegSequenceHeader(h));
    for (size_t i = 0; i < 4; ++i) {
        auto bad = h;
        bad[i] ^= 0x01;
        EXPECT_FALSE(IsMpegSequenceHeader(bad)) << i;
    }
    auto gop = h;
    gop[3] = 0xB8; // group of pictures start code
    EXPECT_FALSE(IsMpegSequenceHeader(gop));
}

TEST(MpegHeader, AspectCodes) {
    EXPECT_EQ(MpegAspect(Header(720, 576, 2, 3)), kMpegAspect4x3);
    EXPECT_EQ(MpegAspect(Header(720, 576, 3, 3)), kMpegAspect16x9);
    for (int code : {0, 1, 4, 15})
        EXPECT_EQ(MpegAspect(Header(720, 576, code, 3)), 2) << code;
}

TEST(MpegHeader, FrameRateCodes) {
    const std::array<double, 16> expected = {
        0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60, 0, 0, 0, 0, 0, 0, 0};
    for (int code = 0; code < 16; ++code)
        EXPECT_DOUBLE_EQ(MpegFrameRate(Header(720, 576, 2, code)), expected[code]) << code;
    EXPECT_DOUBLE_EQ(MpegFrameRate(Header(720, 480, 2, 1)), 23.976023976023978);
    EXPECT_DOUBLE_EQ(MpegFrameRate(Header(720, 480, 2, 4)), 29.97002997002997);
    EXPECT_DOUBLE_EQ(MpegFrameRate(Header(720, 480, 2, 7)), 59.94005994005994);
}

TEST(MpegHeader, ShortSamplesAreNotInspected) {
    auto h = Header(720, 576, 3, 3);
    std::span<const uint8_t> seven(h.data(), 7);
    EXPECT_FALSE(IsMpegSequenceHeader(seven));
    EXPECT_EQ(MpegWidth(seven), 0);
    EXPECT_EQ(MpegHeight(seven), 0);
    EXPECT_EQ(MpegAspect(seven), kMpegAspectOther);
    EXPECT_EQ(MpegFrameRate(seven), 0.0);
    EXPECT_FALSE(IsMpegSequenceHeader({}));
    EXPECT_TRUE(IsMpegSequenceHeader(std::span<const uint8_t>(h.data(), 8)));
}
