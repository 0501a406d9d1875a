#include "app/interval_count.h"

#include "platform/system/text_parsing.h"

#include <QString>

#include <algorithm>

namespace sp::interval {

std::optional<IntervalUnit> UnitFromIndex(int index) {
    if (index < 0 || index >= kUnitCount) return std::nullopt;
    return IntervalUnit(index);
}

IntervalUnit UnitOrDefault(int index) {
    return UnitFromIndex(index).value_or(IntervalUnit::Seconds);
}

const char16_t* UnitWord(IntervalUnit unit) {
    switch (unit) {
    case IntervalUnit::Frames:
        return u"Frames";
    case IntervalUnit::Minutes:
        return u"Minutes";
    case IntervalUnit::Seconds:
        break;
    }
    return u"Seconds";
}

int64_t UnitStepHns(IntervalUnit unit, int64_t frameDurationHns) {
    switch (unit) {
    case IntervalUnit::Frames:
        return frameDurationHns > 0 ? frameDurationHns : kDefaultFrameDurationHns;
    case IntervalUnit::Minutes:
        return kHnsPerMinute;
    case IntervalUnit::Seconds:
        break;
    }
    return kHnsPerSecond;
}

IntervalCount ComputeIntervalCount(int value, IntervalUnit unit, int64_t frameDurationHns,
                                   int64_t positionHns, int64_t durationHns) {
    IntervalCount count;
    count.lengthHns =
        int64_t(std::clamp(value, kMinValue, kMaxValue)) * UnitStepHns(unit, frameDurationHns);
    count.startHns = std::max<int64_t>(0, positionHns);
    const int64_t span = std::max<int64_t>(0, durationHns - count.startHns);
    count.remainingShots = span / count.lengthHns + 1;
    return count;
}

std::optional<IntervalArgument> ParseIntervalArgument(IntervalUnit unit, QStringView argument) {
    argument = argument.trimmed();
    const QStringView word(UnitWord(unit));
    if (!argument.endsWith(word, Qt::CaseInsensitive)) return std::nullopt;
    const QStringView number = argument.first(argument.size() - word.size());
    return IntervalArgument{std::clamp(ParseIntOrZero(number), kMinValue, kMaxValue), unit};
}

std::optional<IntervalArgument> ParseIntervalArgument(QStringView argument) {
    argument = argument.trimmed();
    const QStringView sharpestWord(kSharpestWord);
    const bool sharpest = argument.endsWith(sharpestWord, Qt::CaseInsensitive);
    if (sharpest) argument.chop(sharpestWord.size());
    for (IntervalUnit unit : {IntervalUnit::Frames, IntervalUnit::Seconds, IntervalUnit::Minutes})
        if (auto parsed = ParseIntervalArgument(unit, argument)) {
            parsed->sharpest = sharpest;
            return parsed;
        }
    return std::nullopt;
}

} // namespace sp::interval
