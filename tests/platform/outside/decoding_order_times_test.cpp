// AVI times its samples in decoding order only. With B-frames the decoder must still hand out
// every picture once, in presentation order, each at its own frame time, as the ffmpeg command
// line decodes the file; a sample lost on the way must not shift the times of later pictures.

#include "platform/outside/video_decoder.h"

#include "platform/outside/demuxer.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"

#include <gtest/gtest.h>

#include <functional>

namespace sp::outside {
namespace {

using testing::mediaPath;

constexpr int64_t kFrameHns = 400'000; // 25 frames per second

struct Picture {
    int64_t startHns;
    sptest::BgraPicture rgb; // bottom-up rows, as the decoder writes them
};

// Decodes the first video stream from the start; `keep(k)` says whether demuxed video sample k
// is sent to the decoder.
std::vector<Picture> decodeAll(const std::string& path, const std::function<bool(int)>& keep) {
    std::vector<Picture> pictures;
    auto demuxer = Demuxer::openFile(path, "avi");
    if (!demuxer) return pictures;
    int stream = -1;
    std::unique_ptr<VideoDecoder> decoder;
    for (const auto& s : demuxer->streams())
        if (s.kind == StreamKind::Video && !decoder) {
            stream = s.index;
            decoder = VideoDecoder::open(s.mediaType);
        }
    if (!decoder) return pictures;
    auto take = [&] {
        while (auto info = decoder->nextFrame()) {
            Picture p{info->startHns, {info->width, info->height, {}}};
            p.rgb.bytes.resize(size_t(info->width) * info->height * 4);
            decoder->copyCurrentRgb32(p.rgb.bytes);
            pictures.push_back(std::move(p));
        }
    };
    for (int k = 0; auto packet = demuxer->readPacket();) {
        if (packet->streamIndex != stream) continue;
        if (keep(k++)) decoder->sendPacket(packet->data(), packet->startHns);
        take();
    }
    decoder->sendEndOfStream();
    take();
    return pictures;
}

sptest::PictureView bottomUpView(const sptest::BgraPicture& p) {
    return {p.bytes.data(), p.width, p.height, p.width * 4, true};
}

// Frame `n` of the reference, and not one of its neighbours.
::testing::AssertionResult isFrame(const std::vector<sptest::BgraPicture>& reference, size_t n,
                                   const sptest::PictureView& picture) {
    const double own = sptest::lumaDifference(reference[n], picture);
    if (own > sptest::kSameFrameLuma)
        return ::testing::AssertionFailure() << "not frame " << n << ": luma off by " << own;
    for (size_t other : {n - 1, n + 1})
        if (other < reference.size() && sptest::lumaDifference(reference[other], picture) < own)
            return ::testing::AssertionFailure() << "closer to frame " << other << " than " << n;
    return ::testing::AssertionSuccess();
}

class DecodingOrderTimes : public ::testing::TestWithParam<const char*> {};

TEST_P(DecodingOrderTimes, EveryPictureOnceInOrderAtItsFrameTime) {
    const std::string path = mediaPath(GetParam());
    const auto counts = sptest::ffprobeVideoCounts(path);
    ASSERT_TRUE(counts);
    const auto reference = sptest::ffmpegFrames(path, 0, counts->frames);
    ASSERT_EQ(int(reference.size()), counts->frames);

    const auto pictures = decodeAll(path, [](int) { return true; });
    ASSERT_EQ(pictures.size(), reference.size());
    for (size_t n = 0; n < pictures.size(); ++n) {
        EXPECT_EQ(pictures[n].startHns, int64_t(n) * kFrameHns) << "picture " << n;
        EXPECT_TRUE(isFrame(reference, n, bottomUpView(pictures[n].rgb)));
    }
}

// A sample that never reaches the decoder (damaged and dropped) leaves its time unclaimed: after
// the next key frame (frame 50 or 51) every picture is again the frame of its time.
TEST_P(DecodingOrderTimes, ALostSampleDoesNotShiftLaterPictures) {
    const std::string path = mediaPath(GetParam());
    const auto reference = sptest::ffmpegFrames(path, 0, 100);
    ASSERT_EQ(reference.size(), 100u);

    const auto pictures = decodeAll(path, [](int k) { return k != 22; });
    int checked = 0;
    for (size_t i = 1; i < pictures.size(); ++i)
        EXPECT_GT(pictures[i].startHns, pictures[i - 1].startHns) << "picture " << i;
    for (const Picture& p : pictures) {
        const int64_t frame = p.startHns / kFrameHns;
        if (frame < 60 || frame >= 100) continue;
        EXPECT_EQ(p.startHns, frame * kFrameHns);
        EXPECT_TRUE(isFrame(reference, size_t(frame), bottomUpView(p.rgb)));
        ++checked;
    }
    EXPECT_EQ(checked, 40);
}

INSTANTIATE_TEST_SUITE_P(Avi, DecodingOrderTimes,
                         ::testing::Values("h264_bframes.avi", "mpeg4_bframes.avi"),
                         [](const auto& info) {
                             return std::string(info.param).substr(0, 5); // the codec
                         });

} // namespace
} // namespace sp::outside
