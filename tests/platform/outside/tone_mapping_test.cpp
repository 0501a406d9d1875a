// HDR pictures (BT.2020 with the HLG or PQ transfer) come out of the decoder tone-mapped to SDR:
// close to ffmpeg's own zscale + tonemap of the same frames with the same curve, and far from
// the conversion that treats them as SDR; 10-bit SDR video is not tone-mapped. The tone mapper
// itself follows picture size changes.

#include "platform/outside/tone_mapper.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"
#include "support/reference_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" {
#include <libavutil/frame.h>
}

namespace sp::outside {
namespace {

using testing::mediaPath;
class HdrFile : public ::testing::TestWithParam<const char*> {};

TEST_P(HdrFile, PicturesMatchFfmpegsToneMappingAndNotTheSdrConversion) {
    constexpr int kFrames = 6;
    const std::string path = mediaPath(GetParam());
    const auto toneMapped = sptest::ffmpegToneMappedFrames(path, 0, kFrames);
    const auto asSdr = sptest::ffmpegFrames(path, 0, kFrames);
    const auto ours = sptest::firstDecodedPictures(path, kFrames);
    ASSERT_EQ(toneMapped.size(), size_t(kFrames));
    ASSERT_EQ(asSdr.size(), size_t(kFrames));
    ASSERT_EQ(ours.size(), size_t(kFrames));
    double worstMapped = 1e9, bestSdr = 0;
    for (int i = 0; i < kFrames; ++i) {
        const double mapped = sptest::psnr(toneMapped[i], viewOf(ours[i]));
        const double sdr = sptest::psnr(asSdr[i], viewOf(ours[i]));
        worstMapped = std::min(worstMapped, mapped);
        bestSdr = std::max(bestSdr, sdr);
        EXPECT_GE(mapped, 30.0) << "frame " << i;
        EXPECT_GE(mapped - sdr, 8.0) << "frame " << i;
    }
    RecordProperty("psnr", "tone-mapped " + std::to_string(worstMapped) + " dB, as SDR " +
                               std::to_string(bestSdr) + " dB");
}

INSTANTIATE_TEST_SUITE_P(ToneMapping, HdrFile, ::testing::Values("hlg.mp4", "pq.mp4"),
                         [](const auto& info) {
                             return std::string(info.param).substr(0, std::strlen(info.param) - 4);
                         });

// Ten bits alone do not make a picture HDR: BT.709 video is converted as any SDR video.
TEST(ToneMapping, TenBitSdrIsConvertedAsBefore) {
    const std::string path = mediaPath("sdr10.mp4");
    const auto reference = sptest::ffmpegFrames(path, 0, 3);
    const auto ours = sptest::firstDecodedPictures(path, 3);
    ASSERT_EQ(reference.size(), 3u);
    ASSERT_EQ(ours.size(), 3u);
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_LE(sptest::lumaDifference(reference[i], viewOf(ours[i])), sptest::kSameFrameLuma);
        EXPECT_GT(sptest::psnr(reference[i], viewOf(ours[i])), 40.0) << "frame " << i;
    }
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// A 10-bit 4:2:0 HLG picture of one neutral colour (luma `y`, chroma at its centre).
std::unique_ptr<AVFrame, FrameFree> greyHlgFrame(int width, int height, uint16_t y) {
    std::unique_ptr<AVFrame, FrameFree> f(av_frame_alloc());
    f->width = width;
    f->height = height;
    f->format = AV_PIX_FMT_YUV420P10LE;
    f->color_trc = AVCOL_TRC_ARIB_STD_B67;
    f->color_primaries = AVCOL_PRI_BT2020;
    f->colorspace = AVCOL_SPC_BT2020_NCL;
    f->color_range = AVCOL_RANGE_MPEG;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int h = plane ? (height + 1) / 2 : height, w = plane ? (width + 1) / 2 : width;
        for (int row = 0; row < h; ++row) {
            auto* p =
                reinterpret_cast<uint16_t*>(f->data[plane] + ptrdiff_t(f->linesize[plane]) * row);
            std::fill(p, p + w, plane ? uint16_t(512) : y);
        }
    }
    return f;
}

TEST(ToneMapper, FollowsSizeChangesAndKeepsGreyNeutralAndBrightnessOrdered) {
    ToneMapper mapper;
    std::vector<uint8_t> big(64 * 48 * 4, 0xEE), small(32 * 16 * 4, 0xEE);
    // Bottom-up into the big picture, then top-down into a smaller one, then big again.
    const auto dark = greyHlgFrame(64, 48, 300), bright = greyHlgFrame(32, 16, 800);
    ASSERT_TRUE(mapper.convert(*dark, big.data() + 64 * 4 * 47, -64 * 4));
    ASSERT_TRUE(mapper.convert(*bright, small.data(), 32 * 4));
    const uint8_t darkLevel = big[1], brightLevel = small[1];
    for (size_t i = 0; i < big.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(big[i + size_t(c)], darkLevel, 1) << "pixel " << i / 4;
    for (size_t i = 0; i < small.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(small[i + size_t(c)], brightLevel, 1) << "pixel " << i / 4;
    EXPECT_GT(brightLevel, darkLevel + 40);
    EXPECT_LT(brightLevel, 255); // the curve rolls off below white
    std::vector<uint8_t> again(big.size());
    ASSERT_TRUE(mapper.convert(*dark, again.data(), 64 * 4));
    EXPECT_EQ(again, big); // a uniform picture reads the same either way up
}

} // namespace
} // namespace sp::outside
