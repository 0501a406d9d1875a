#pragma once
// Fields of DV frames (IEC 61834): TV system, 16:9 flag, recording date and time, timecode and
// audio sampling.
//
// A DV frame is a run of DIF sequences of 12000 bytes (150 blocks of 80 bytes); sequence s starts
// at byte 12000 x s. Every function reads bytes at fixed offsets and first checks that the frame
// is long enough for them: a frame too short for a field is not inspected and gives that field's
// "absent" result. Pure functions; the notifier calls them on its streaming thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sp {

using ByteSpan = std::span<const uint8_t>;

inline constexpr size_t kDVSequenceBytes = 12000;
// Callers look for the recording date, the timecode and the 16:9 flag in sequences 0..9.
inline constexpr int kDVSequencesSearched = 10;

// DVSystem results.
inline constexpr int kDVSystem625_50 = 0;
inline constexpr int kDVSystem525_60 = 1;
inline constexpr int kDVSystemUnknown = 2;

// The recording date and time of a DV frame. Year is -1 when there is no usable pack pair; the
// other fields are then 0. Fields are decoded from BCD but not checked: month 13 comes out as 13.
struct TRecordingDate {
    int32_t Year = -1;
    uint8_t Month = 0;
    uint8_t Day = 0;
    uint8_t Hours = 0;
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;

    bool present() const { return Year != -1; }
    friend bool operator==(const TRecordingDate&, const TRecordingDate&) = default;
};

// Sequence 0 carries the VAUX source-control pack (byte 453 is 0x61).
bool DVHasSourceControl(ByteSpan frame);

// kDVSystem625_50 (byte 3 is 0xBF), kDVSystem525_60 (0x3F), otherwise kDVSystemUnknown.
int DVSystem(ByteSpan frame);

// The display mode of the first sequence (0..9) with a source-control pack is 16:9: mode 2, or
// mode 7 in consumer DV (low 3 bits of the application byte 7 are 0). False without such a pack.
bool DVIsWide(ByteSpan frame);

// The recording date and time of one sequence. The date pack header (byte 458) must be 0x62 or 0
// and the time pack header (byte 463) 0x63 or 0; otherwise Year is -1. Years below 40 are 20xx,
// the others 19xx.
TRecordingDate DVRecordingDateTime(ByteSpan frame, int sequence);

// The packed timecode of one sequence (bytes from the lowest: hours, minutes, seconds, frames).
// Both subcode pack headers (bytes 110 and 190) must be 0x13; otherwise the hours byte is 0xFF,
// which IsTimecodeAbsent recognises.
uint32_t DVTimecode(ByteSpan frame, int sequence);

// A set bit 7 in the hours byte marks a missing timecode.
constexpr bool IsTimecodeAbsent(uint32_t packed) {
    return (packed & 0x80) != 0;
}

// 48000, 44100, 32000, 0 for another code, -1 without the AAUX source pack (byte 4323 is 0x50).
int DVAudioSampleRate(ByteSpan frame);

// 16, 12, 0 for another code, -1 without the AAUX source pack.
int DVAudioBits(ByteSpan frame);

// Sequences 0..9 tried in order: the first recording date present (Year -1 when none is).
TRecordingDate FirstDVRecordingDateTime(ByteSpan frame);

// Sequences 0..9 tried in order: the first timecode present, nullopt when none is.
std::optional<uint32_t> FirstDVTimecode(ByteSpan frame);

// The day count (see daycount.h) of a recording date with 0 milliseconds; nullopt when the date
// is absent or its fields do not form a valid date and time (month 13, 31 April, 25 hours ...).
std::optional<double> RecordingDayCount(const TRecordingDate& date);

} // namespace sp
