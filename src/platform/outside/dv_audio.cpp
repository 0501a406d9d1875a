#include "platform/outside/dv_audio.h"

namespace sp::outside {

namespace {

constexpr size_t kBlockBytes = 80;
constexpr int kAudioBlocksPerSequence = 9;
constexpr uint8_t kAauxSourcePack = 0x50;

// Byte offset of audio block `block` (0..8) of DIF sequence `sequence`: audio blocks sit at
// block 6 and every 16th block after it (one audio block per 15 video blocks).
constexpr size_t audioBlockOffset(int sequence, int block) {
    return size_t(sequence) * kDvDifSequenceBytes + size_t(6 + 16 * block) * kBlockBytes;
}

// The AAUX source pack (5 bytes from the pack id). The place every recorder writes it,
// sequence 0 audio block 3, is read first; a frame damaged there may still carry it in
// another audio block.
std::optional<std::span<const uint8_t, 5>> findAauxSource(std::span<const uint8_t> frame,
                                                          int sequences) {
    auto packAt = [&](int sequence, int block) -> std::optional<std::span<const uint8_t, 5>> {
        const size_t at = audioBlockOffset(sequence, block) + 3;
        if (frame[at] != kAauxSourcePack) return std::nullopt;
        return frame.subspan(at).first<5>();
    };
    if (auto pack = packAt(0, 3)) return pack;
    for (int s = 0; s < sequences; ++s)
        for (int b = 0; b < kAudioBlocksPerSequence; ++b)
            if (auto pack = packAt(s, b)) return pack;
    return std::nullopt;
}

// Fewest samples per frame for each sampling code (48, 44.1, 32 kHz); the pack's AF_SIZE field
// adds to it.
constexpr int kMinSamples625[3] = {1896, 1742, 1264};
constexpr int kMinSamples525[3] = {1580, 1452, 1053};
constexpr int kRates[3] = {48000, 44100, 32000};

// Stereo pairs a frame can hold: 16-bit samples use every sequence (one channel per half),
// 12-bit pairs share 3 bytes and the first half of the sequences carries channels 1 and 2.
int capacity(int sequences, int bits) {
    const int bytesPerBlock = 72;
    return bits == 16 ? sequences * kAudioBlocksPerSequence * (bytesPerBlock / 2) / 2
                      : (sequences / 2) * kAudioBlocksPerSequence * (bytesPerBlock / 3);
}

std::optional<DvAudioFormat> formatOf(std::span<const uint8_t> frame, DvSystem system) {
    const int sequences = dvSequenceCount(system);
    if (frame.size() < dvFrameBytes(system)) return std::nullopt;
    auto pack = findAauxSource(frame, sequences);
    if (!pack) return std::nullopt;
    const int rateCode = ((*pack)[4] >> 3) & 7;
    const int quantCode = (*pack)[4] & 7;
    if (rateCode > 2 || quantCode > 1) return std::nullopt;
    DvAudioFormat format;
    format.sampleRate = kRates[rateCode];
    format.bits = quantCode == 0 ? 16 : 12;
    const int minimum =
        system == DvSystem::Lines625 ? kMinSamples625[rateCode] : kMinSamples525[rateCode];
    format.sampleCount = minimum + ((*pack)[1] & 0x3F);
    if (format.sampleCount > capacity(sequences, format.bits)) return std::nullopt;
    return format;
}

// Where per-channel sample n lies (IEC 61834 audio shuffle), for a frame of 2 * half
// sequences: the sequence within the channel's half, the audio block and the sample's index
// within the block's data (in units of samples of the quantisation).
struct ShufflePlace {
    int sequence;
    int block;
    int slot;
};

ShufflePlace shufflePlace(int n, int half) {
    const int group = kAudioBlocksPerSequence * half; // samples per slot row over the frame
    return {(n / 3 + 2 * (n % 3)) % half, 3 * (n % 3) + (n % group) / (3 * half), n / group};
}

// 12-bit nonlinear to 16-bit linear: codes 0..511 are linear, each later 256-code segment
// doubles the step; negative codes mirror positive ones (ones' complement).
int16_t widen12(int code) {
    if (code == 0x800) return 0; // error code
    const int y = code >= 0x800 ? code - 0x1000 : code;
    auto expand = [](int v) {
        const int segment = v >> 8;
        return segment < 2 ? v : (v - 256 * (segment - 1)) << (segment - 1);
    };
    return int16_t(y >= 0 ? expand(y) : -expand(-y - 1) - 1);
}

void unshuffle16(std::span<const uint8_t> frame, int sequences, DvAudio& out) {
    const int half = sequences / 2;
    for (int n = 0; n < out.format.sampleCount; ++n) {
        const ShufflePlace p = shufflePlace(n, half);
        for (int channel = 0; channel < 2; ++channel) {
            const size_t at =
                audioBlockOffset(p.sequence + half * channel, p.block) + 8 + 2 * size_t(p.slot);
            const int16_t value = int16_t(uint16_t(frame[at] << 8 | frame[at + 1]));
            out.samples[size_t(2 * n + channel)] = value == INT16_MIN ? 0 : value;
        }
    }
}

void unshuffle12(std::span<const uint8_t> frame, int sequences, DvAudio& out) {
    const int half = sequences / 2;
    for (int n = 0; n < out.format.sampleCount; ++n) {
        const ShufflePlace p = shufflePlace(n, half);
        const size_t at = audioBlockOffset(p.sequence, p.block) + 8 + 3 * size_t(p.slot);
        const uint8_t a = frame[at], b = frame[at + 1], c = frame[at + 2];
        out.samples[size_t(2 * n)] = widen12(a << 4 | c >> 4);
        out.samples[size_t(2 * n + 1)] = widen12(b << 4 | (c & 0x0F));
    }
}

} // namespace

std::optional<DvSystem> dvFrameSystem(std::span<const uint8_t> frame) {
    // Header block: section type 0 in the top bits of the ID's first byte; DSF in byte 3.
    if (frame.size() < kBlockBytes || (frame[0] >> 5) != 0) return std::nullopt;
    return (frame[3] & 0x80) ? DvSystem::Lines625 : DvSystem::Lines525;
}

std::optional<DvAudioFormat> dvAudioFormat(std::span<const uint8_t> frame) {
    auto system = dvFrameSystem(frame);
    return system ? formatOf(frame, *system) : std::nullopt;
}

std::optional<DvAudio> extractDvAudio(std::span<const uint8_t> frame) {
    auto system = dvFrameSystem(frame);
    if (!system) return std::nullopt;
    auto format = formatOf(frame, *system);
    if (!format) return std::nullopt;
    DvAudio audio;
    audio.format = *format;
    audio.samples.resize(size_t(2 * format->sampleCount));
    const int sequences = dvSequenceCount(*system);
    if (format->bits == 16)
        unshuffle16(frame, sequences, audio);
    else
        unshuffle12(frame, sequences, audio);
    return audio;
}

} // namespace sp::outside
