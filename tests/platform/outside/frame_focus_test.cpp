#include "platform/outside/frame_focus.h"

#include "media_files.h"
#include "platform/graph/focus_measure.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/video_decoder.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace sp::outside {
namespace {

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using Picture = std::unique_ptr<AVFrame, FrameFree>;

// A picture whose luma at (x, y) is `lumaAt(x, y)` (0..255), stored in `format` (chroma left
// mid-grey); 10-bit formats hold the value scaled by 4 in their own bit position.
template <typename LumaAt>
Picture MakePicture(AVPixelFormat format, int width, int height, LumaAt lumaAt) {
    Picture p(av_frame_alloc());
    p->format = format;
    p->width = width;
    p->height = height;
    EXPECT_EQ(av_frame_get_buffer(p.get(), 0), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = lumaAt(x, y);
            uint8_t* row = p->data[0] + y * p->linesize[0];
            switch (format) {
            case AV_PIX_FMT_YUV420P10LE:
                reinterpret_cast<uint16_t*>(row)[x] = uint16_t(v << 2);
                break;
            case AV_PIX_FMT_P010LE:
                reinterpret_cast<uint16_t*>(row)[x] = uint16_t((v << 2) << 6);
                break;
            case AV_PIX_FMT_YUYV422:
                row[2 * x] = uint8_t(v);
                row[2 * x + 1] = 128;
                break;
            case AV_PIX_FMT_UYVY422:
                row[2 * x] = 128;
                row[2 * x + 1] = uint8_t(v);
                break;
            default:
                row[x] = uint8_t(v);
            }
        }
    return p;
}

int Pattern(int x, int y) {
    return (x * 37 + y * 11 + (x * y) % 23) % 200 + 20;
}

// Every layout of luma samples measures what the same values in a plain byte plane measure,
// and a large picture is measured on every second sample of every second row.
TEST(FrameFocus, EveryLumaLayoutMeasuresLikeABytePlane) {
    constexpr int w = 64, h = 48;
    std::vector<uint8_t> plane(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            plane[size_t(y) * w + x] = uint8_t(Pattern(x, y));
    const double expected = mf::LaplacianVariance(mf::LumaGrid<uint8_t>{plane.data(), w, h, w});
    ASSERT_GT(expected, 100);
    for (AVPixelFormat format :
         {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12, AV_PIX_FMT_GRAY8, AV_PIX_FMT_YUVJ422P,
          AV_PIX_FMT_YUV420P10LE, AV_PIX_FMT_P010LE, AV_PIX_FMT_YUYV422, AV_PIX_FMT_UYVY422}) {
        SCOPED_TRACE(format);
        const Picture p = MakePicture(format, w, h, Pattern);
        const auto focus = LumaFocus(*p, w);
        ASSERT_TRUE(focus);
        EXPECT_DOUBLE_EQ(*focus, expected);
    }

    constexpr int wide = 2 * kFocusEverySampleUpToWidth + 2, high = 21;
    const Picture big = MakePicture(AV_PIX_FMT_YUV420P, wide, high, Pattern);
    std::vector<uint8_t> everySecond;
    for (int y = 0; y < high; y += 2)
        for (int x = 0; x < wide; x += 2)
            everySecond.push_back(uint8_t(Pattern(x, y)));
    const int sw = (wide + 1) / 2, sh = (high + 1) / 2;
    EXPECT_DOUBLE_EQ(*LumaFocus(*big, wide),
                     mf::LaplacianVariance(mf::LumaGrid<uint8_t>{everySecond.data(), sw, sh, sw}));
    // Turned upright the picture is narrow: every sample.
    EXPECT_NE(*LumaFocus(*big, high), *LumaFocus(*big, wide));
}

TEST(FrameFocus, FormatsWithoutLumaSamplesAreNotMeasured) {
    for (AVPixelFormat format : {AV_PIX_FMT_RGB24, AV_PIX_FMT_BGRA, AV_PIX_FMT_PAL8,
                                 AV_PIX_FMT_MONOBLACK, AV_PIX_FMT_YUV420P10BE}) {
        SCOPED_TRACE(format);
        Picture p(av_frame_alloc());
        p->format = format;
        p->width = 16;
        p->height = 16;
        ASSERT_EQ(av_frame_get_buffer(p.get(), 0), 0);
        EXPECT_FALSE(LumaFocus(*p, 16));
    }
    Picture empty(av_frame_alloc());
    EXPECT_FALSE(LumaFocus(*empty, 0));
}

// sharp_one.mp4: every frame blurred by motion except frames 12 and 30.
class DecoderFocus : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        demuxer = Demuxer::openFile(testing::mediaPath("sharp_one.mp4"), "mov,mp4,m4a,3gp,3g2,mj2",
                                    &error);
        ASSERT_TRUE(demuxer) << error;
        for (const auto& s : demuxer->streams())
            if (s.kind == StreamKind::Video) {
                stream = s.index;
                decoder = VideoDecoder::open(s.mediaType, &error);
                frameHns = s.mediaType.formatAs<mf::VIDEOINFOHEADER>()->AvgTimePerFrame;
            }
        ASSERT_TRUE(decoder) << error;
        decoder->setCacheBudget(FrameCache::kDefaultBudgetBytes);
    }
    // Decodes on until the frame starting at `frame` has been delivered.
    void DecodeTo(int frame) {
        for (;;) {
            while (auto info = decoder->nextFrame())
                if (info->startHns >= frame * frameHns) return;
            auto p = demuxer->readPacket();
            if (!p) return decoder->sendEndOfStream();
            if (p->streamIndex == stream) decoder->sendPacket(p->data(), p->startHns);
        }
    }
    VideoDecoder::FocusSink Sink() {
        return [this](int64_t start, double focus) {
            EXPECT_FALSE(measures.contains(start / frameHns)) << "measured twice";
            measures[start / frameHns] = focus;
        };
    }

    std::unique_ptr<Demuxer> demuxer;
    std::unique_ptr<VideoDecoder> decoder;
    int stream = -1;
    int64_t frameHns = 400000;
    std::map<int64_t, double> measures; // by frame number
};

TEST_F(DecoderFocus, CachedPicturesAtOnceThenEachDecodedOneWithinTheRange) {
    DecodeTo(10);
    decoder->measureFocus(5 * frameHns, 16 * frameHns, Sink());
    ASSERT_FALSE(measures.empty()); // those kept for steps back, before decoding any more
    EXPECT_EQ(measures.begin()->first, 5);
    const int64_t cachedUpTo = measures.rbegin()->first;
    EXPECT_GE(cachedUpTo, 10);
    DecodeTo(20);
    ASSERT_EQ(measures.size(), 12u); // frames 5 to 16, no other
    EXPECT_EQ(measures.begin()->first, 5);
    EXPECT_EQ(measures.rbegin()->first, 16);
    for (const auto& [frame, focus] : measures) {
        if (frame != 12) {
            EXPECT_GT(measures[12], 2 * focus) << frame;
        }
    }

    decoder->measureFocus(0, -1, {}); // stopped
    const size_t taken = measures.size();
    DecodeTo(35);
    EXPECT_EQ(measures.size(), taken);
}

} // namespace
} // namespace sp::outside
