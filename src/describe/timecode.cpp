#include "describe/timecode.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace sp {

namespace {

struct TimecodeFields {
    int64_t hours;
    int64_t minutes;
    int64_t seconds;
    int64_t frames;
};

TimecodeFields SplitPosition(int64_t position, int64_t frameDuration) {
    // Saturate instead of overflowing for positions at the very top of the range.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t u = position > kMax - kTimecodeRoundingUnits ? kMax : position + kTimecodeRoundingUnits;
    int64_t totalSeconds = u / kUnitsPerSecond;
    TimecodeFields f;
    f.frames = frameDuration > 0 ? (u % kUnitsPerSecond) / frameDuration : 0;
    f.seconds = totalSeconds % 60;
    f.minutes = (totalSeconds / 60) % 60;
    f.hours = totalSeconds / 3600;
    return f;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

// The field as an integer kept to 8 bits; 0 when it is not a whole decimal number.
uint8_t FieldValue(std::string_view field) {
    field = Trimmed(field);
    if (field.size() > 1 && field[0] == '+' && field[1] != '-') field.remove_prefix(1);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size()) return 0;
    return static_cast<uint8_t>(value);
}

// Takes the part before the first ':' and leaves the rest in `text`; with no ':' the part is
// empty and `text` is left whole.
std::string_view TakeField(std::string_view& text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view field = text.substr(0, colon);
    text.remove_prefix(colon + 1);
    return field;
}

} // namespace

std::string TimecodeText(int64_t position, int64_t frameDuration) {
    TimecodeFields f = SplitPosition(position, frameDuration);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%lld:%.2lld:%.2lld:%.2lld",
                  static_cast<long long>(f.hours), static_cast<long long>(f.minutes),
                  static_cast<long long>(f.seconds), static_cast<long long>(f.frames));
    return buffer;
}

uint32_t PackTimecode(int64_t position, int64_t frameDuration) {
    TimecodeFields f = SplitPosition(position, frameDuration);
    return MakePackedTimecode(uint8_t(f.hours), uint8_t(f.minutes), uint8_t(f.seconds),
                              uint8_t(f.frames));
}

int64_t UnpackTimecode(uint32_t packed, int64_t frameDuration) {
    int64_t hours = static_cast<int8_t>(packed & 0xFF);
    int64_t minutes = (packed >> 8) & 0xFF;
    int64_t seconds = (packed >> 16) & 0xFF;
    int64_t frames = (packed >> 24) & 0xFF;
    int64_t framePart = 0;
    int64_t result = 0;
    // A frame duration taken from a damaged file must not overflow; saturate instead.
    if (__builtin_mul_overflow(frames, frameDuration, &framePart) ||
        __builtin_add_overflow(framePart, (hours * 3600 + minutes * 60 + seconds) * kUnitsPerSecond,
                               &result))
        return frameDuration < 0 ? std::numeric_limits<int64_t>::min()
                                 : std::numeric_limits<int64_t>::max();
    return result;
}

std::string FormatTimecode(int64_t position, int64_t frameDuration) {
    uint32_t packed = PackTimecode(position, frameDuration);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%.2d:%.2d:%.2d", int(static_cast<int8_t>(packed)),
                  int((packed >> 8) & 0xFF), int((packed >> 16) & 0xFF), int(packed >> 24));
    return buffer;
}

uint32_t ParseTimecodeText(std::string_view text) {
    uint8_t hours = FieldValue(TakeField(text));
    uint8_t minutes = FieldValue(TakeField(text));
    uint8_t seconds = FieldValue(TakeField(text));
    uint8_t frames = FieldValue(text);
    return MakePackedTimecode(hours, minutes, seconds, frames);
}

} // namespace sp
