#pragma once
// The PCM audio carried inside one 25 Mbit/s DV frame (IEC 61834 / SMPTE 314M consumer DV),
// and the few frame facts a DV splitter needs: the TV system and the audio format.
//
// A frame is a run of DIF sequences of 12,000 bytes (150 blocks of 80 bytes): 12 sequences for
// 625 lines / 50 Hz, 10 for 525 lines / 60 Hz. Each sequence holds 9 audio blocks (blocks 6,
// 22, ... 134), each with a 5-byte AAUX pack and 72 bytes of samples spread over the frame by
// the standard's shuffle. The AAUX source pack gives the sampling rate, the quantisation
// (16-bit linear or 12-bit nonlinear) and the number of samples in this frame.
//
// Pure functions over the caller's bytes; any thread. Every read is bounds checked: a frame
// shorter than its system needs, without an AAUX source pack, or with a rate, quantisation or
// sample count outside the standard gives no audio (nullopt), never a read past the end.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sp::outside {

inline constexpr size_t kDvDifSequenceBytes = 12000;
inline constexpr size_t kDvFrameBytes625 = 12 * kDvDifSequenceBytes; // 144,000
inline constexpr size_t kDvFrameBytes525 = 10 * kDvDifSequenceBytes; // 120,000
inline constexpr int64_t kDvFrameHns625 = 400000;                    // 25 frames per second
inline constexpr int64_t kDvFrameHns525 = 333667;                    // 30000/1001 per second

enum class DvSystem { Lines625, Lines525 };

// The system named by the frame's header block (its DSF bit); nullopt when the frame does not
// start with a header block. Says nothing of whether the frame is complete.
std::optional<DvSystem> dvFrameSystem(std::span<const uint8_t> frame);

inline int dvSequenceCount(DvSystem system) {
    return system == DvSystem::Lines625 ? 12 : 10;
}
inline size_t dvFrameBytes(DvSystem system) {
    return system == DvSystem::Lines625 ? kDvFrameBytes625 : kDvFrameBytes525;
}
inline int64_t dvFrameHns(DvSystem system) {
    return system == DvSystem::Lines625 ? kDvFrameHns625 : kDvFrameHns525;
}

// What the AAUX source pack of a frame announces.
struct DvAudioFormat {
    int sampleRate = 0;  // 48000, 44100 or 32000
    int bits = 16;       // 16 (linear) or 12 (nonlinear, widened to 16 on extraction)
    int sampleCount = 0; // stereo sample pairs in this frame
};

// The format of a complete frame's audio; nullopt when extractDvAudio would give nothing.
std::optional<DvAudioFormat> dvAudioFormat(std::span<const uint8_t> frame);

struct DvAudio {
    DvAudioFormat format;
    // Interleaved signed 16-bit stereo (left, right), 2 * format.sampleCount values. With
    // 12-bit audio these are channels 1 and 2; channels 3 and 4, when present, are not taken.
    std::vector<int16_t> samples;
};

// Extracts and unshuffles the audio of one complete frame. Samples holding the DV error code
// (0x8000 linear, 0x800 nonlinear) become 0.
std::optional<DvAudio> extractDvAudio(std::span<const uint8_t> frame);

} // namespace sp::outside
