// Random damage to DV frames and MPEG sequence headers: the inspection functions must stay inside
// the sample (AddressSanitizer watches every read) and keep their results in range. A shorter
// sample may only lose information, never invent it.
#include "dv_builder.h"
#include "describe/dv_frame.h"
#include "describe/mpeg_header.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace sp;
using sp::test::DVFrameBuilder;

namespace {

// An allocation of exactly `size` bytes, so that a read one past the end is caught.
struct ExactCopy {
    ExactCopy(const std::vector<uint8_t>& from, size_t size)
        : bytes(std::make_unique<uint8_t[]>(size)), length(size) {
        std::copy(from.begin(), from.begin() + std::ptrdiff_t(size), bytes.get());
    }
    ByteSpan span() const { return {bytes.get(), length}; }
    std::unique_ptr<uint8_t[]> bytes;
    size_t length;
};

std::vector<uint8_t> RichDVFrame() {
    DVFrameBuilder b;
    b.system(0xBF).sourceControl(0, 2).audio(0x08);
    for (int s = 0; s < 12; ++s) {
        b.recording(s, 0x24, 0x12, 0x05, 0x18, 0x30, 0x00).timecode(s, 0x01, 0x02, 0x03, 0x04);
    }
    return b.bytes();
}

// Offsets near the fields read, where damage and cuts matter most.
size_t InterestingLength(std::mt19937& rng, size_t full) {
    static constexpr size_t kNear[] = {3, 7, 110, 114, 190, 453, 455, 458, 463, 467, 4323, 4327};
    std::uniform_int_distribution<int> pick(0, 3);
    if (pick(rng) == 0) return std::uniform_int_distribution<size_t>(0, full)(rng);
    size_t seq = std::uniform_int_distribution<size_t>(0, 10)(rng) * kDVSequenceBytes;
    size_t near = kNear[std::uniform_int_distribution<size_t>(0, std::size(kNear) - 1)(rng)];
    size_t len = seq + near + std::uniform_int_distribution<size_t>(0, 2)(rng);
    return std::min(len, full);
}

void Damage(std::vector<uint8_t>& bytes, std::mt19937& rng, int hits) {
    if (bytes.empty()) return;
    std::uniform_int_distribution<size_t> where(0, bytes.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    for (int i = 0; i < hits; ++i)
        bytes[where(rng)] = uint8_t(value(rng));
}

void CheckDVRanges(ByteSpan frame) {
    EXPECT_LE(DVSystem(frame), 2);
    int rate = DVAudioSampleRate(frame);
    EXPECT_TRUE(rate == 48000 || rate == 44100 || rate == 32000 || rate == 0 || rate == -1);
    int bits = DVAudioBits(frame);
    EXPECT_TRUE(bits == 16 || bits == 12 || bits == 0 || bits == -1);
    TRecordingDate date = FirstDVRecordingDateTime(frame);
    if (date.present()) {
        EXPECT_GE(date.Year, 1940);
        EXPECT_LE(date.Year, 2065);
        EXPECT_LE(date.Hours, 45);
    }
    if (auto tc = FirstDVTimecode(frame)) {
        EXPECT_FALSE(IsTimecodeAbsent(*tc));
    }
    RecordingDayCount(date);
}

} // namespace

TEST(DescribeMutation, DamagedAndCutDVFramesStayInside) {
    std::mt19937 rng(20261208);
    const std::vector<uint8_t> rich = RichDVFrame();
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> frame = rich;
        Damage(frame, rng, 1 + round % 40);
        const ExactCopy whole(frame, frame.size());
        CheckDVRanges(whole.span());
        for (int cut = 0; cut < 8; ++cut) {
            const ExactCopy part(frame, InterestingLength(rng, frame.size()));
            ByteSpan p = part.span();
            CheckDVRanges(p);
            if (DVIsWide(p)) {
                EXPECT_TRUE(DVIsWide(whole.span()));
            }
            for (int s = 0; s < kDVSequencesSearched; ++s) {
                TRecordingDate d = DVRecordingDateTime(p, s);
                if (d.present()) {
                    EXPECT_EQ(d, DVRecordingDateTime(whole.span(), s));
                }
                uint32_t tc = DVTimecode(p, s);
                if (!IsTimecodeAbsent(tc)) {
                    EXPECT_EQ(tc, DVTimecode(whole.span(), s));
                }
            }
        }
        if (HasFailure()) break;
    }
}

TEST(DescribeMutation, DamagedAndCutMpegHeadersStayInside) {
    std::mt19937 rng(1088);
    const std::vector<uint8_t> header = {0x00, 0x00, 0x01, 0xB3, 0x78, 0x04, 0x40, 0x33, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> bytes = header;
        Damage(bytes, rng, 1 + round % 3);
        const ExactCopy cut(bytes, std::uniform_int_distribution<size_t>(0, bytes.size())(rng));
        ByteSpan b = cut.span();
        bool isHeader = IsMpegSequenceHeader(b);
        EXPECT_TRUE(!isHeader || b.size() >= kMpegSequenceHeaderBytes);
        EXPECT_LE(MpegWidth(b), 4095);
        EXPECT_LE(MpegHeight(b), 4095);
        EXPECT_LE(MpegAspect(b), 2);
        double rate = MpegFrameRate(b);
        EXPECT_TRUE(rate == 0.0 || (rate > 23.0 && rate <= 60.0));
        if (HasFailure()) break;
    }
}
