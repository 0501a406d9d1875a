#pragma once
// Timecodes: positions (signed 64-bit counts of 100 ns) turned into hours, minutes, seconds and
// frames, and the packed 32-bit form whose bytes, from the lowest, are hours, minutes, seconds,
// frames.
//
// Every position is moved forward by 200 (20 us) before it is split, so that a sample time a hair
// below a frame or second boundary counts as the next frame or second. Divisions truncate toward
// zero. A frame duration of 0 or less cannot divide anything: the frame field is then 0.
//
// All functions are pure and may be called from any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace sp {

inline constexpr int64_t kUnitsPerSecond = 10000000; // 100 ns units
inline constexpr int64_t kTimecodeRoundingUnits = 200;

// "%d:%.2d:%.2d:%.2d" of hours (not limited), minutes, seconds and frames. Used by the inlay.
std::string TimecodeText(int64_t position, int64_t frameDuration);

// The packed form of a position; each field is reduced to 8 bits.
uint32_t PackTimecode(int64_t position, int64_t frameDuration);

// The position of a packed timecode: frames (unsigned) times the frame duration plus the hours
// (read as a signed byte), minutes and seconds.
int64_t UnpackTimecode(uint32_t packed, int64_t frameDuration);

// The packed form of a position as text, hours shown as a signed byte ("1:00:00:00").
std::string FormatTimecode(int64_t position, int64_t frameDuration);

// A typed timecode "h:mm:ss:ff" as a packed value. The text is split at ':' from the left:
// hours, minutes, seconds, then the remainder as frames. A missing ':' gives an empty field and
// leaves the remainder whole, so "12" is frame 12 and "1:2" is 1 hour and 2 frames. Each field is
// trimmed and read as a decimal integer (0 when it is not one) and kept to 8 bits.
uint32_t ParseTimecodeText(std::string_view text);

// The packed value assembled from its four fields.
constexpr uint32_t MakePackedTimecode(uint8_t hours, uint8_t minutes, uint8_t seconds,
                                      uint8_t frames) {
    return uint32_t(hours) | uint32_t(minutes) << 8 | uint32_t(seconds) << 16 |
           uint32_t(frames) << 24;
}

} // namespace sp
