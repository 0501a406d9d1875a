#include "describe/timecode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace sp;

namespace {
constexpr int64_t kPal = 400000; // 25 frames per second
constexpr int64_t kHour = 36000000000;
} // namespace

TEST(TimecodeText, RoundsAHairBelowABoundaryUp) {
    EXPECT_EQ(TimecodeText(0, kPal), "0:00:00:00");
    EXPECT_EQ(TimecodeText(399800, kPal), "0:00:00:01");
    EXPECT_EQ(TimecodeText(399799, kPal), "0:00:00:00");
    EXPECT_EQ(TimecodeText(9999800, kPal), "0:00:01:00");
    EXPECT_EQ(TimecodeText(kHour + 61 * 10000000 + 3 * kPal, kPal), "1:01:01:03");
}

TEST(TimecodeText, HoursAreNotLimited) {
    EXPECT_EQ(TimecodeText(200 * kHour, kPal), "200:00:00:00");
    EXPECT_EQ(TimecodeText(1000 * kHour, kPal), "1000:00:00:00");
}

TEST(TimecodeText, SurvivesDegenerateInput) {
    EXPECT_EQ(TimecodeText(3 * kPal, 0), "0:00:00:00");
    EXPECT_EQ(TimecodeText(3 * kPal, -1), "0:00:00:00");
    // The top of the range must not overflow when the rounding margin is added.
    EXPECT_FALSE(TimecodeText(std::numeric_limits<int64_t>::max(), kPal).empty());
    EXPECT_FALSE(TimecodeText(std::numeric_limits<int64_t>::min(), kPal).empty());
}

TEST(PackTimecode, BytesFromTheLowestAreHoursMinutesSecondsFrames) {
    EXPECT_EQ(PackTimecode(kHour + 2 * 600000000 + 3 * 10000000 + 4 * kPal, kPal), 0x04030201u);
    // NTSC-like frame duration: 29.97 frames per second.
    EXPECT_EQ(PackTimecode(10000000 + 29 * 333667, 333667), 0x1D010000u);
}

TEST(PackTimecode, HoursWrapToEightBits) {
    EXPECT_EQ(PackTimecode(256 * kHour, kPal) & 0xFF, 0u);
    EXPECT_EQ(FormatTimecode(200 * kHour, kPal), "-56:00:00:00"); // signed byte, as stored
}

TEST(FormatTimecode, MatchesTimecodeTextWithinAnHundredHours) {
    EXPECT_EQ(FormatTimecode(0, kPal), "0:00:00:00");
    EXPECT_EQ(FormatTimecode(399800, kPal), "0:00:00:01");
    EXPECT_EQ(FormatTimecode(9999800, kPal), "0:00:01:00");
    EXPECT_EQ(FormatTimecode(kHour, kPal), "1:00:00:00");
    for (int64_t t = 0; t < 3 * kHour; t += 987654321)
        EXPECT_EQ(FormatTimecode(t, kPal), TimecodeText(t, kPal)) << t;
}

TEST(UnpackTimecode, InvertsPackOnFrameStarts) {
    for (int64_t frame : {0, 1, 24, 25, 1499, 90000, 123456}) {
        int64_t t = frame * kPal;
        EXPECT_EQ(UnpackTimecode(PackTimecode(t, kPal), kPal), t) << frame;
    }
}

TEST(UnpackTimecode, HoursAreASignedByte) {
    EXPECT_EQ(UnpackTimecode(MakePackedTimecode(0xFF, 0, 0, 0), kPal), -kHour);
    EXPECT_EQ(UnpackTimecode(MakePackedTimecode(0, 0, 0, 0xFF), kPal), 255 * kPal);
}

TEST(UnpackTimecode, SaturatesOnAHugeFrameDuration) {
    auto big = std::numeric_limits<int64_t>::max() / 2;
    EXPECT_EQ(UnpackTimecode(MakePackedTimecode(0, 0, 0, 10), big),
              std::numeric_limits<int64_t>::max());
}

TEST(ParseTimecodeText, ReadsFullAndPartialTexts) {
    EXPECT_EQ(UnpackTimecode(ParseTimecodeText("0:00:02:05"), kPal), 22000000);
    EXPECT_EQ(ParseTimecodeText("abc"), 0u);
    EXPECT_EQ(ParseTimecodeText(""), 0u);
    EXPECT_EQ(ParseTimecodeText("12"), MakePackedTimecode(0, 0, 0, 12));
    EXPECT_EQ(ParseTimecodeText("1:2"), MakePackedTimecode(1, 0, 0, 2));
    EXPECT_EQ(ParseTimecodeText("1:2:3"), MakePackedTimecode(1, 2, 0, 3));
    EXPECT_EQ(ParseTimecodeText(" 1 : 02 :03: 04 "), MakePackedTimecode(1, 2, 3, 4));
}

TEST(ParseTimecodeText, BadFieldsGiveZeroAndBigOnesKeepEightBits) {
    EXPECT_EQ(ParseTimecodeText("x:5:6:7"), MakePackedTimecode(0, 5, 6, 7));
    EXPECT_EQ(ParseTimecodeText("1:2:3:4:5"), MakePackedTimecode(1, 2, 3, 0)); // "4:5" is no number
    EXPECT_EQ(ParseTimecodeText("1.5:0:0:0"), 0u);
    EXPECT_EQ(ParseTimecodeText("300:0:0:0"), MakePackedTimecode(44, 0, 0, 0));
    EXPECT_EQ(ParseTimecodeText("-1:0:0:0"), MakePackedTimecode(0xFF, 0, 0, 0));
    EXPECT_EQ(ParseTimecodeText("+2:0:0:0"), MakePackedTimecode(2, 0, 0, 0));
    EXPECT_EQ(ParseTimecodeText("+-2:0:0:0"), 0u);
    EXPECT_EQ(ParseTimecodeText("99999999999:0:0:1"), MakePackedTimecode(0, 0, 0, 1));
}
