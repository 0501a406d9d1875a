#pragma once
// The intervalometer's arithmetic as pure functions: the length of one interval, the number of
// shots from a position to the end of the video, and the "intervallo" script argument (a number
// followed by a unit word, such as 5Seconds, 10 frames or 2Minutes). Times are 100 ns units.
// The controller keeps the run state and the settings; nothing here touches a widget. Any thread.

#include <QStringView>

#include <cstdint>
#include <optional>

namespace sp::interval {

inline constexpr int kMinValue = 1;
inline constexpr int kMaxValue = 999'999;
inline constexpr int64_t kHnsPerSecond = 10'000'000;
inline constexpr int64_t kHnsPerMinute = 600'000'000;
inline constexpr int64_t kDefaultFrameDurationHns = 400'000; // 25 frames per second

// The entries of the unit list, in the list's order ("Unités Intervallomètre").
enum class IntervalUnit { Frames = 0, Seconds = 1, Minutes = 2 };
inline constexpr int kUnitCount = 3;

// The unit of a list index or stored setting; anything but 0, 1 and 2 is refused (the unit step
// would be undefined).
std::optional<IntervalUnit> UnitFromIndex(int index);
// The same, with Seconds (the setting's default) for a refused value.
IntervalUnit UnitOrDefault(int index);
// "Frames", "Seconds", "Minutes".
const char16_t* UnitWord(IntervalUnit unit);

// The length of one unit: the frame duration (400,000 when it is not positive), one second or
// one minute.
int64_t UnitStepHns(IntervalUnit unit, int64_t frameDurationHns);

struct IntervalCount {
    int64_t lengthHns = 0;      // IntervalLength: value x unit step, at least 1
    int64_t startHns = 0;       // IntervalStart: the position the count starts from
    int64_t remainingShots = 0; // RemainingShots
};

// (duration - position) div length + 1 shots, the first at `positionHns`. `value` is clamped to
// 1..999,999. A position past the end still counts the one shot at the position; a negative
// position counts from 0.
IntervalCount ComputeIntervalCount(int value, IntervalUnit unit, int64_t frameDurationHns,
                                   int64_t positionHns, int64_t durationHns);

struct IntervalArgument {
    int value = kMinValue; // 1..999,999
    IntervalUnit unit = IntervalUnit::Seconds;
    bool sharpest = false; // each shot takes the sharpest frame near its time
};

// The word after the unit that asks for the sharpest frame near each shot ("10 seconds sharpest").
inline constexpr char16_t kSharpestWord[] = u"sharpest";

// When `argument` ends with the word of `unit` (case ignored): the text before the word,
// trimmed, read as an integer (0 when not an integer), clamped to 1..999,999. Otherwise nothing.
std::optional<IntervalArgument> ParseIntervalArgument(IntervalUnit unit, QStringView argument);
// Tries Frames, Seconds, then Minutes, the first match winning. An argument without a unit word
// (such as "5") gives nothing: interval and unit stay as they are. The unit may be followed by
// kSharpestWord (case ignored), which sets `sharpest`.
std::optional<IntervalArgument> ParseIntervalArgument(QStringView argument);

} // namespace sp::interval
