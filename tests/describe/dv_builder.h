#pragma once
// Builds DV frames byte by byte for the tests: DIF sequences of 12000 bytes, unused packs 0xFF
// as cameras write them.

#include "describe/dv_frame.h"

#include <cstdint>
#include <vector>

namespace sp::test {

class DVFrameBuilder {
public:
    explicit DVFrameBuilder(int sequences = 12) : bytes_(kDVSequenceBytes * sequences, 0xFF) {}

    DVFrameBuilder& set(int sequence, size_t offset, uint8_t value) {
        bytes_.at(kDVSequenceBytes * sequence + offset) = value;
        return *this;
    }
    DVFrameBuilder& system(uint8_t value) { return set(0, 3, value); }
    DVFrameBuilder& sourceControl(int sequence, uint8_t displayMode, uint8_t application = 0) {
        set(sequence, 7, application);
        set(sequence, 453, 0x61);
        return set(sequence, 455, displayMode);
    }
    // Fields in BCD as they are stored.
    DVFrameBuilder& recording(int sequence, uint8_t day, uint8_t month, uint8_t year, uint8_t hh,
                              uint8_t mm, uint8_t ss, uint8_t datePack = 0x62,
                              uint8_t timePack = 0x63) {
        set(sequence, 458, datePack).set(sequence, 460, day).set(sequence, 461, month);
        set(sequence, 462, year).set(sequence, 463, timePack).set(sequence, 465, ss);
        return set(sequence, 466, mm).set(sequence, 467, hh);
    }
    DVFrameBuilder& timecode(int sequence, uint8_t hh, uint8_t mm, uint8_t ss, uint8_t ff) {
        set(sequence, 110, 0x13).set(sequence, 111, ff).set(sequence, 112, ss);
        set(sequence, 113, mm).set(sequence, 114, hh);
        return set(sequence, 190, 0x13);
    }
    DVFrameBuilder& audio(uint8_t samplingByte) {
        set(0, 4323, 0x50);
        return set(0, 4327, samplingByte);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace sp::test
