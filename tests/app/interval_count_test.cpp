// The intervalometer's count of shots and its script argument.

#include "app/interval_count.h"

#include <gtest/gtest.h>

using namespace sp::interval;

namespace {
constexpr int64_t kSecond = kHnsPerSecond;
}

TEST(IntervalCount, ShotsFromTheStartToTheEndInclusive) {
    // 10 s at 1 second: 0, 1, ..., 10 s.
    auto c = ComputeIntervalCount(1, IntervalUnit::Seconds, 400'000, 0, 10 * kSecond);
    EXPECT_EQ(c.lengthHns, kSecond);
    EXPECT_EQ(c.startHns, 0);
    EXPECT_EQ(c.remainingShots, 11);
    // 61 s at 1 minute: 0 and 60 s.
    EXPECT_EQ(
        ComputeIntervalCount(1, IntervalUnit::Minutes, 400'000, 0, 61 * kSecond).remainingShots, 2);
    // Every frame of 40 ms.
    const int64_t duration = 10 * kSecond + 123;
    c = ComputeIntervalCount(1, IntervalUnit::Frames, 400'000, 0, duration);
    EXPECT_EQ(c.lengthHns, 400'000);
    EXPECT_EQ(c.remainingShots, duration / 400'000 + 1);
    // From the current position.
    c = ComputeIntervalCount(2, IntervalUnit::Seconds, 400'000, 3 * kSecond, 10 * kSecond);
    EXPECT_EQ(c.startHns, 3 * kSecond);
    EXPECT_EQ(c.remainingShots, 4); // 3, 5, 7, 9 s
}

TEST(IntervalCount, OddInputsStillCountAtLeastOneShotWithoutDividingByZero) {
    // No video: the duration is 0, one shot.
    EXPECT_EQ(ComputeIntervalCount(1, IntervalUnit::Seconds, 0, 0, 0).remainingShots, 1);
    // No frame duration known yet: 25 frames per second.
    EXPECT_EQ(ComputeIntervalCount(1, IntervalUnit::Frames, 0, 0, kSecond).remainingShots, 26);
    EXPECT_EQ(ComputeIntervalCount(1, IntervalUnit::Frames, -5, 0, kSecond).lengthHns, 400'000);
    // The value is kept within 1..999,999.
    EXPECT_EQ(ComputeIntervalCount(0, IntervalUnit::Seconds, 0, 0, 0).lengthHns, kSecond);
    EXPECT_EQ(ComputeIntervalCount(-7, IntervalUnit::Seconds, 0, 0, 0).lengthHns, kSecond);
    EXPECT_EQ(ComputeIntervalCount(5'000'000, IntervalUnit::Minutes, 0, 0, 0).lengthHns,
              int64_t(kMaxValue) * kHnsPerMinute);
    // A position past the end, or before the start.
    EXPECT_EQ(ComputeIntervalCount(1, IntervalUnit::Seconds, 0, 20 * kSecond, 10 * kSecond)
                  .remainingShots,
              1);
    auto c = ComputeIntervalCount(1, IntervalUnit::Seconds, 0, -kSecond, 10 * kSecond);
    EXPECT_EQ(c.startHns, 0);
    EXPECT_EQ(c.remainingShots, 11);
}

TEST(IntervalCount, OnlyThreeUnitsExist) {
    EXPECT_EQ(UnitFromIndex(0), IntervalUnit::Frames);
    EXPECT_EQ(UnitFromIndex(2), IntervalUnit::Minutes);
    EXPECT_FALSE(UnitFromIndex(3)); // the empty fourth entry
    EXPECT_FALSE(UnitFromIndex(-1));
    EXPECT_EQ(UnitOrDefault(3), IntervalUnit::Seconds);
    EXPECT_EQ(UnitOrDefault(1000), IntervalUnit::Seconds);
    EXPECT_EQ(UnitOrDefault(0), IntervalUnit::Frames);
}

TEST(IntervalArgumentParsing, NumberThenUnitWordInAnyCase) {
    using A = std::optional<IntervalArgument>;
    const auto is = [](const A& a, int value, IntervalUnit unit) {
        return a && a->value == value && a->unit == unit;
    };
    EXPECT_TRUE(is(ParseIntervalArgument(u"5seconds"), 5, IntervalUnit::Seconds));
    EXPECT_TRUE(is(ParseIntervalArgument(u"5Seconds"), 5, IntervalUnit::Seconds));
    EXPECT_TRUE(is(ParseIntervalArgument(u"10 frames"), 10, IntervalUnit::Frames));
    EXPECT_TRUE(is(ParseIntervalArgument(u" 2MINUTES "), 2, IntervalUnit::Minutes));
    // The number is clamped; no readable number counts as 0, then 1.
    EXPECT_TRUE(is(ParseIntervalArgument(u"9999999Seconds"), kMaxValue, IntervalUnit::Seconds));
    EXPECT_TRUE(is(ParseIntervalArgument(u"Seconds"), 1, IntervalUnit::Seconds));
    EXPECT_TRUE(is(ParseIntervalArgument(u"xSeconds"), 1, IntervalUnit::Seconds));
    EXPECT_TRUE(is(ParseIntervalArgument(u"-4 frames"), 1, IntervalUnit::Frames));
    // Without a unit word nothing changes.
    EXPECT_FALSE(ParseIntervalArgument(u"5"));
    EXPECT_FALSE(ParseIntervalArgument(u""));
    EXPECT_FALSE(ParseIntervalArgument(u"5 hours"));
    EXPECT_FALSE(ParseIntervalArgument(u"5 second")); // the words are plural
    // Only the given word is tried by the single-unit form.
    EXPECT_FALSE(ParseIntervalArgument(IntervalUnit::Frames, u"5Seconds"));
}

TEST(IntervalArgumentParsing, TheWordSharpestAfterTheUnitAsksForTheSharpestFrames) {
    auto parsed = ParseIntervalArgument(u"10 frames sharpest");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->value, 10);
    EXPECT_EQ(parsed->unit, IntervalUnit::Frames);
    EXPECT_TRUE(parsed->sharpest);
    parsed = ParseIntervalArgument(u" 2SecondsSHARPEST ");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->unit, IntervalUnit::Seconds);
    EXPECT_TRUE(parsed->sharpest);
    EXPECT_FALSE(ParseIntervalArgument(u"2 seconds")->sharpest);
    EXPECT_FALSE(ParseIntervalArgument(u"sharpest")); // still needs a unit
    // Elsewhere the word is part of the number's text, unreadable as ever.
    parsed = ParseIntervalArgument(u"5 sharpest seconds");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->value, 1);
    EXPECT_FALSE(parsed->sharpest);
}
