#include "describe/dv_frame.h"

#include "dv_builder.h"
#include "describe/day_count.h"
#include "describe/timecode.h"

#include <gtest/gtest.h>

using namespace sp;
using sp::test::DVFrameBuilder;

namespace {
ByteSpan Prefix(const std::vector<uint8_t>& bytes, size_t n) {
    return ByteSpan(bytes).first(n);
}
} // namespace

TEST(DVFrame, SystemAndSourceControl) {
    EXPECT_EQ(DVSystem(DVFrameBuilder().system(0xBF).bytes()), kDVSystem625_50);
    EXPECT_EQ(DVSystem(DVFrameBuilder(10).system(0x3F).bytes()), kDVSystem525_60);
    EXPECT_EQ(DVSystem(DVFrameBuilder().system(0x3E).bytes()), kDVSystemUnknown);
    EXPECT_EQ(DVSystem({}), kDVSystemUnknown);

    EXPECT_FALSE(DVHasSourceControl(DVFrameBuilder().bytes()));
    auto frame = DVFrameBuilder().sourceControl(0, 0).bytes();
    EXPECT_TRUE(DVHasSourceControl(frame));
    EXPECT_FALSE(DVHasSourceControl(Prefix(frame, 453)));
    EXPECT_TRUE(DVHasSourceControl(Prefix(frame, 454)));
}

TEST(DVFrame, WideFromTheFirstSequenceWithASourceControlPack) {
    EXPECT_TRUE(DVIsWide(DVFrameBuilder().sourceControl(0, 0x02).bytes()));
    EXPECT_TRUE(DVIsWide(DVFrameBuilder().sourceControl(0, 0xFA).bytes())); // low 3 bits = 2
    EXPECT_FALSE(DVIsWide(DVFrameBuilder().sourceControl(0, 0x00).bytes()));
    EXPECT_TRUE(DVIsWide(DVFrameBuilder().sourceControl(0, 0x07, 0xF8).bytes()));  // consumer
    EXPECT_FALSE(DVIsWide(DVFrameBuilder().sourceControl(0, 0x07, 0x01).bytes())); // professional
    EXPECT_FALSE(DVIsWide(DVFrameBuilder().bytes()));
    // Sequence 3 decides when 0..2 lack the pack; a later wide one is ignored.
    EXPECT_TRUE(DVIsWide(DVFrameBuilder().sourceControl(3, 2).bytes()));
    EXPECT_FALSE(DVIsWide(DVFrameBuilder().sourceControl(3, 0).sourceControl(4, 2).bytes()));
    // Only sequences 0..9 are searched.
    EXPECT_FALSE(DVIsWide(DVFrameBuilder().sourceControl(10, 2).bytes()));
}

TEST(DVFrame, WideCheckStopsAtTheEndOfAShortFrame) {
    auto frame = DVFrameBuilder().sourceControl(1, 2).bytes();
    EXPECT_TRUE(DVIsWide(Prefix(frame, 12000 + 456)));
    EXPECT_FALSE(DVIsWide(Prefix(frame, 12000 + 455))); // display mode byte missing
    EXPECT_FALSE(DVIsWide(Prefix(frame, 12000 + 100)));
}

TEST(DVFrame, RecordingDateAndCenturyRule) {
    auto frame = DVFrameBuilder().recording(0, 0x31, 0x12, 0x39, 0x23, 0x59, 0x58).bytes();
    EXPECT_EQ(DVRecordingDateTime(frame, 0), (TRecordingDate{2039, 12, 31, 23, 59, 58}));
    frame = DVFrameBuilder().recording(0, 0x01, 0x02, 0x40, 0x00, 0x00, 0x00).bytes();
    EXPECT_EQ(DVRecordingDateTime(frame, 0).Year, 1940);
    frame = DVFrameBuilder().recording(0, 0x01, 0x02, 0x99, 0x00, 0x00, 0x00).bytes();
    EXPECT_EQ(DVRecordingDateTime(frame, 0).Year, 1999);
}

TEST(DVFrame, RecordingDateIgnoresFlagBitsAboveTheTens) {
    // Cameras store flags in the top bits of the day, month, hour and second bytes.
    auto frame = DVFrameBuilder().recording(0, 0xD5, 0xE7, 0x04, 0xC9, 0xA7, 0xB3).bytes();
    EXPECT_EQ(DVRecordingDateTime(frame, 0), (TRecordingDate{2004, 7, 15, 9, 27, 33}));
}

TEST(DVFrame, RecordingDatePackHeaders) {
    // Both headers zero: decoded as if present; all-zero fields give 2000, month 0, day 0.
    auto zeros = DVFrameBuilder().recording(0, 0, 0, 0, 0, 0, 0, 0x00, 0x00).bytes();
    EXPECT_EQ(DVRecordingDateTime(zeros, 0), (TRecordingDate{2000, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(RecordingDayCount(DVRecordingDateTime(zeros, 0)).has_value());
    auto badDate = DVFrameBuilder().recording(0, 1, 1, 1, 0, 0, 0, 0x61, 0x63).bytes();
    EXPECT_FALSE(DVRecordingDateTime(badDate, 0).present());
    auto badTime = DVFrameBuilder().recording(0, 1, 1, 1, 0, 0, 0, 0x62, 0xFF).bytes();
    EXPECT_EQ(DVRecordingDateTime(badTime, 0), TRecordingDate{});
    EXPECT_FALSE(DVRecordingDateTime(DVFrameBuilder().bytes(), 0).present());
}

TEST(DVFrame, RecordingDateSearchAndShortFrames) {
    auto frame = DVFrameBuilder().recording(6, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10).bytes();
    EXPECT_FALSE(DVRecordingDateTime(frame, 0).present());
    EXPECT_EQ(FirstDVRecordingDateTime(frame), (TRecordingDate{2007, 6, 5, 8, 9, 10}));
    EXPECT_FALSE(FirstDVRecordingDateTime(Prefix(frame, 6 * 12000 + 467)).present());
    EXPECT_TRUE(FirstDVRecordingDateTime(Prefix(frame, 6 * 12000 + 468)).present());
    EXPECT_FALSE(DVRecordingDateTime(frame, -1).present());
    EXPECT_FALSE(DVRecordingDateTime(frame, 12).present());
    EXPECT_FALSE(DVRecordingDateTime(frame, 1 << 30).present());
    EXPECT_FALSE(FirstDVRecordingDateTime(DVFrameBuilder().bytes()).present());
}

TEST(DVFrame, RecordingDayCountChecksTheCalendar) {
    TRecordingDate date{2004, 7, 15, 9, 27, 33};
    auto expected = EncodeDayCount({2004, 7, 15, 9, 27, 33, 0});
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(RecordingDayCount(date), expected);
    EXPECT_FALSE(RecordingDayCount({2004, 13, 1, 0, 0, 0}).has_value());
    EXPECT_FALSE(RecordingDayCount({2004, 4, 31, 0, 0, 0}).has_value());
    EXPECT_FALSE(RecordingDayCount({2003, 2, 29, 0, 0, 0}).has_value());
    EXPECT_TRUE(RecordingDayCount({2004, 2, 29, 0, 0, 0}).has_value());
    EXPECT_FALSE(RecordingDayCount({2004, 1, 1, 24, 0, 0}).has_value());
    EXPECT_FALSE(RecordingDayCount(TRecordingDate{}).has_value());
}

TEST(DVFrame, Timecode) {
    auto frame = DVFrameBuilder().timecode(0, 0x12, 0x34, 0x56, 0x24).bytes();
    EXPECT_EQ(DVTimecode(frame, 0), MakePackedTimecode(12, 34, 56, 24));
    EXPECT_EQ(DVTimecode(frame, 0), 0x1838220Cu); // hours in the lowest byte
    EXPECT_EQ(FirstDVTimecode(frame), 0x1838220Cu);
    // Flag bits above the tens (drop-frame, colour frame, binary group flags) are ignored.
    frame = DVFrameBuilder().timecode(0, 0xC1, 0x82, 0x83, 0xC4).bytes();
    EXPECT_EQ(DVTimecode(frame, 0), MakePackedTimecode(1, 2, 3, 4));
}

TEST(DVFrame, TimecodeAbsent) {
    EXPECT_TRUE(IsTimecodeAbsent(DVTimecode(DVFrameBuilder().bytes(), 0)));
    auto half = DVFrameBuilder().timecode(0, 1, 2, 3, 4).set(0, 190, 0x14).bytes();
    EXPECT_EQ(DVTimecode(half, 0) & 0xFF, 0xFFu);
    EXPECT_FALSE(FirstDVTimecode(half).has_value());
    auto later = DVFrameBuilder().timecode(9, 0, 0, 1, 0).bytes();
    EXPECT_EQ(FirstDVTimecode(later), MakePackedTimecode(0, 0, 1, 0));
    EXPECT_FALSE(FirstDVTimecode(Prefix(later, 9 * 12000 + 190)).has_value());
    EXPECT_FALSE(FirstDVTimecode(DVFrameBuilder().timecode(10, 0, 0, 1, 0).bytes()).has_value());
}

TEST(DVFrame, AudioSampling) {
    EXPECT_EQ(DVAudioSampleRate(DVFrameBuilder().audio(0x00).bytes()), 48000);
    EXPECT_EQ(DVAudioSampleRate(DVFrameBuilder().audio(0x08).bytes()), 44100);
    EXPECT_EQ(DVAudioSampleRate(DVFrameBuilder().audio(0x11).bytes()), 32000);
    EXPECT_EQ(DVAudioSampleRate(DVFrameBuilder().audio(0x18).bytes()), 0);
    EXPECT_EQ(DVAudioBits(DVFrameBuilder().audio(0x00).bytes()), 16);
    EXPECT_EQ(DVAudioBits(DVFrameBuilder().audio(0x11).bytes()), 12);
    EXPECT_EQ(DVAudioBits(DVFrameBuilder().audio(0x12).bytes()), 0);
    EXPECT_EQ(DVAudioSampleRate(DVFrameBuilder().bytes()), -1);
    EXPECT_EQ(DVAudioBits(DVFrameBuilder().bytes()), -1);
    auto frame = DVFrameBuilder().audio(0x00).bytes();
    EXPECT_EQ(DVAudioSampleRate(Prefix(frame, 4327)), -1);
    EXPECT_EQ(DVAudioBits(Prefix(frame, 4327)), -1);
    EXPECT_EQ(DVAudioBits(Prefix(frame, 4328)), 16);
}
