#include "describe/dv_frame.h"

#include "describe/day_count.h"

namespace sp {

namespace {

// Offsets within one DIF sequence.
constexpr size_t kSystemByte = 3;
constexpr size_t kApplicationByte = 7;
constexpr size_t kTimecodePack1 = 110;
constexpr size_t kTimecodePack2 = 190;
constexpr size_t kSourceControlPack = 453;
constexpr size_t kDisplayModeByte = 455;
constexpr size_t kRecDatePack = 458;
constexpr size_t kRecTimePack = 463;
constexpr size_t kRecTimeLast = 467;
constexpr size_t kAudioSourcePack = 4323;
constexpr size_t kAudioSamplingByte = 4327;

constexpr uint8_t kTimecodePackId = 0x13;
constexpr uint8_t kAudioSourcePackId = 0x50;
constexpr uint8_t kSourceControlPackId = 0x61;
constexpr uint8_t kRecDatePackId = 0x62;
constexpr uint8_t kRecTimePackId = 0x63;

constexpr uint32_t kAbsentTimecode = 0xFF;

// A view of one sequence that knows how much of it the frame really holds.
class Sequence {
public:
    Sequence(ByteSpan frame, int index) {
        // An index past the frame (checked before multiplying, so it cannot overflow) is empty.
        if (index < 0 || size_t(index) > frame.size() / kDVSequenceBytes) return;
        size_t start = kDVSequenceBytes * size_t(index);
        if (start < frame.size()) bytes_ = frame.subspan(start);
    }
    // True when every byte up to and including `offset` is there.
    bool holds(size_t offset) const { return offset < bytes_.size(); }
    uint8_t operator[](size_t offset) const { return bytes_[offset]; }

private:
    ByteSpan bytes_;
};

// Units in bits 0..3, tens in the bits of `tensMask` after shifting down by 4.
uint8_t FromBcd(uint8_t value, uint8_t tensMask) {
    return uint8_t((value & 0x0F) + 10 * ((value >> 4) & tensMask));
}

bool HasSourceControl(const Sequence& seq) {
    return seq.holds(kSourceControlPack) && seq[kSourceControlPack] == kSourceControlPackId;
}

} // namespace

bool DVHasSourceControl(ByteSpan frame) {
    return HasSourceControl(Sequence(frame, 0));
}

int DVSystem(ByteSpan frame) {
    Sequence seq(frame, 0);
    if (!seq.holds(kSystemByte)) return kDVSystemUnknown;
    switch (seq[kSystemByte]) {
    case 0xBF:
        return kDVSystem625_50;
    case 0x3F:
        return kDVSystem525_60;
    default:
        return kDVSystemUnknown;
    }
}

bool DVIsWide(ByteSpan frame) {
    for (int s = 0; s < kDVSequencesSearched; ++s) {
        Sequence seq(frame, s);
        if (!HasSourceControl(seq)) continue;
        if (!seq.holds(kDisplayModeByte)) return false;
        int mode = seq[kDisplayModeByte] & 7;
        bool consumer = (seq[kApplicationByte] & 7) == 0;
        return mode == 2 || (mode == 7 && consumer);
    }
    return false;
}

TRecordingDate DVRecordingDateTime(ByteSpan frame, int sequence) {
    Sequence seq(frame, sequence);
    TRecordingDate date;
    if (!seq.holds(kRecTimeLast)) return date;
    uint8_t datePack = seq[kRecDatePack];
    uint8_t timePack = seq[kRecTimePack];
    // Some camcorders leave both pack headers zero while the fields are still filled in.
    if ((datePack != kRecDatePackId && datePack != 0) ||
        (timePack != kRecTimePackId && timePack != 0))
        return date;
    date.Seconds = FromBcd(seq[kRecTimePack + 2], 0x07);
    date.Minutes = FromBcd(seq[kRecTimePack + 3], 0x07);
    date.Hours = FromBcd(seq[kRecTimePack + 4], 0x03);
    date.Day = FromBcd(seq[kRecDatePack + 2], 0x03);
    date.Month = FromBcd(seq[kRecDatePack + 3], 0x01);
    uint8_t yearByte = seq[kRecDatePack + 4];
    int year = (yearByte & 0x0F) + 10 * (yearByte >> 4);
    date.Year = year < 40 ? 2000 + year : 1900 + year;
    return date;
}

uint32_t DVTimecode(ByteSpan frame, int sequence) {
    Sequence seq(frame, sequence);
    if (!seq.holds(kTimecodePack2) || seq[kTimecodePack1] != kTimecodePackId ||
        seq[kTimecodePack2] != kTimecodePackId)
        return kAbsentTimecode;
    uint32_t frames = FromBcd(seq[kTimecodePack1 + 1], 0x03);
    uint32_t seconds = FromBcd(seq[kTimecodePack1 + 2], 0x07);
    uint32_t minutes = FromBcd(seq[kTimecodePack1 + 3], 0x07);
    uint32_t hours = FromBcd(seq[kTimecodePack1 + 4], 0x03);
    return hours | minutes << 8 | seconds << 16 | frames << 24;
}

int DVAudioSampleRate(ByteSpan frame) {
    Sequence seq(frame, 0);
    if (!seq.holds(kAudioSamplingByte) || seq[kAudioSourcePack] != kAudioSourcePackId) return -1;
    switch ((seq[kAudioSamplingByte] >> 3) & 7) {
    case 0:
        return 48000;
    case 1:
        return 44100;
    case 2:
        return 32000;
    default:
        return 0;
    }
}

int DVAudioBits(ByteSpan frame) {
    Sequence seq(frame, 0);
    if (!seq.holds(kAudioSamplingByte) || seq[kAudioSourcePack] != kAudioSourcePackId) return -1;
    switch (seq[kAudioSamplingByte] & 7) {
    case 0:
        return 16;
    case 1:
        return 12;
    default:
        return 0;
    }
}

TRecordingDate FirstDVRecordingDateTime(ByteSpan frame) {
    for (int s = 0; s < kDVSequencesSearched; ++s) {
        TRecordingDate date = DVRecordingDateTime(frame, s);
        if (date.present()) return date;
    }
    return {};
}

std::optional<uint32_t> FirstDVTimecode(ByteSpan frame) {
    for (int s = 0; s < kDVSequencesSearched; ++s) {
        uint32_t tc = DVTimecode(frame, s);
        if (!IsTimecodeAbsent(tc)) return tc;
    }
    return std::nullopt;
}

std::optional<double> RecordingDayCount(const TRecordingDate& date) {
    if (!date.present()) return std::nullopt;
    CalendarDateTime value{date.Year,    date.Month,   date.Day, date.Hours,
                           date.Minutes, date.Seconds, 0};
    return EncodeDayCount(value);
}

} // namespace sp
