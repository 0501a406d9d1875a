// The ffmpeg reference itself: it must tell neighbouring frames of every generated file apart
// by far more than another colour conversion moves a picture, and it must agree with our
// decoder on pictures decoded from the start of the file (where nothing is seeked or dropped).

#include "support/ffmpeg_reference.h"

#include "media_files.h"
#include "support/reference_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace sp::outside {
namespace {

using testing::mediaPath;

// The files the seek, step and grab tests compare against the reference.
const char* const kVideoFiles[] = {
    "avi_mjpeg.avi", "avi_dv_type2.avi", "raw.dv",         "avi_dv_type1.avi",
    "mpeg1.mpg",     "mpeg2_16x9.mpg",   "dvd.vob",        "mpeg2.ts",
    "avchd.m2ts",    "camera.MTS",       "wmv8.wmv",       "h264.mkv",
    "h264.mp4",      "three_audio.avi",  "h264_1080p.mp4", "mpeg2_1080_422.mpg",
    "h264_2997.mp4", "h264_23976.mov",   "mpeg2_2997.ts",  "ntsc.dv",
    "vfr.mp4",       "vfr_drops.mp4",    "vfr_drops.mkv",
};

class EveryVideoFile : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryVideoFile, NeighbouringFramesDifferFarMoreThanTheToleranceAndOurDecodeMatches) {
    constexpr int kFrames = 8;
    constexpr double kTolerance = sptest::kSameFrameLuma;
    const char* name = GetParam();
    const std::string path = mediaPath(name);
    const auto reference = sptest::ffmpegFrames(path, 0, kFrames);
    // The same frames converted another way (full chroma interpolation, exact rounding).
    const auto otherConversion =
        sptest::ffmpegFrames(path, 0, kFrames, "bicubic+accurate_rnd+full_chroma_int");
    const auto ours = sptest::firstDecodedPictures(path, kFrames);
    ASSERT_EQ(reference.size(), size_t(kFrames));
    ASSERT_EQ(otherConversion.size(), size_t(kFrames));
    ASSERT_EQ(ours.size(), size_t(kFrames));
    double worstSame = 0, worstConversion = 0, leastNeighbour = 1e9;
    for (int i = 0; i < kFrames; ++i) {
        const double same = sptest::lumaDifference(reference[i], viewOf(ours[i]));
        const double conversion = sptest::lumaDifference(reference[i], viewOf(otherConversion[i]));
        worstSame = std::max(worstSame, same);
        worstConversion = std::max(worstConversion, conversion);
        EXPECT_LE(same, kTolerance) << "frame " << i;
        EXPECT_LE(conversion, kTolerance) << "frame " << i;
        EXPECT_GT(sptest::psnr(reference[i], viewOf(ours[i])), 40.0) << "frame " << i;
        EXPECT_EQ(sptest::closestFrame(reference, viewOf(ours[i])), i);
        EXPECT_EQ(sptest::closestFrame(reference, viewOf(otherConversion[i])), i);
        if (i > 0) {
            const double neighbour = sptest::lumaDifference(reference[i], viewOf(reference[i - 1]));
            leastNeighbour = std::min(leastNeighbour, neighbour);
            EXPECT_GE(neighbour, 2 * kTolerance) << "frames " << i - 1 << ", " << i;
        }
    }
    RecordProperty("luma_differences", "same " + std::to_string(worstSame) + ", conversion " +
                                           std::to_string(worstConversion) + ", neighbours " +
                                           std::to_string(leastNeighbour));
    EXPECT_TRUE(sptest::showsFrame(path, 5, viewOf(ours[5])));
    EXPECT_TRUE(sptest::showsFrame(path, 5, viewOf(otherConversion[5])));
    EXPECT_FALSE(sptest::showsFrame(path, 4, viewOf(ours[5])));
    EXPECT_FALSE(sptest::showsFrame(path, 6, viewOf(ours[5])));
}

INSTANTIATE_TEST_SUITE_P(FfmpegReference, EveryVideoFile, ::testing::ValuesIn(kVideoFiles),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(FfmpegReference, OneFrameIsTheSameAsInARange) {
    const std::string path = mediaPath("h264.mp4");
    const auto range = sptest::ffmpegFrames(path, 10, 3);
    ASSERT_EQ(range.size(), 3u);
    const auto single = sptest::ffmpegFrame(path, 11);
    EXPECT_EQ(single.bytes, range[1].bytes);
    EXPECT_EQ(sptest::meanAbsoluteDifference(single, viewOf(range[1])), 0.0);
    EXPECT_TRUE(sptest::ffmpegFrame(path, 100000).empty()); // past the end
    EXPECT_TRUE(sptest::ffmpegFrame(mediaPath("not_a_video.mpg"), 0).empty());
}

// Picked by time, each picture keeps its own size across a size change and is the frame the
// count picks (frames 0..23 are 320 x 240, the rest 352 x 288).
TEST(FfmpegReference, FramesOfAnySizeAreTheFramesOfThatIndex) {
    const std::string path = mediaPath("size_change.ts");
    const auto picked = sptest::ffmpegFramesOfAnySize(path, 22, 4);
    ASSERT_EQ(picked.size(), 4u);
    const auto counted = sptest::ffmpegFrames(path, 20, 4);
    ASSERT_EQ(counted.size(), 4u);
    EXPECT_EQ(picked[0].bytes, counted[2].bytes);
    EXPECT_EQ(picked[1].bytes, counted[3].bytes);
    for (int i : {0, 1}) {
        EXPECT_EQ(picked[size_t(i)].width, 320);
        EXPECT_EQ(picked[size_t(i + 2)].width, 352);
        EXPECT_EQ(picked[size_t(i + 2)].height, 288);
    }
    EXPECT_EQ(sptest::ffmpegFramesOfAnySize(path, 0, 1).front().bytes,
              sptest::ffmpegFrame(path, 0).bytes);
    EXPECT_TRUE(sptest::ffmpegFramesOfAnySize(path, 100000, 1).empty()); // past the end
}

TEST(FfmpegReference, ComparesBottomUpPicturesRowByRow) {
    sptest::BgraPicture reference{2, 2, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}};
    // The same picture bottom-up with a padded stride, then with one channel off by 6.
    std::vector<uint8_t> bottomUp = {7, 8, 9, 0, 10, 11, 12, 0, 99, 99,
                                     1, 2, 3, 0, 4,  5,  6,  0, 99, 99};
    sptest::PictureView view{bottomUp.data(), 2, 2, 10, true};
    EXPECT_EQ(sptest::meanAbsoluteDifference(reference, view), 0.0);
    EXPECT_EQ(sptest::lumaDifference(reference, view), 0.0);
    EXPECT_TRUE(std::isinf(sptest::psnr(reference, view)));
    bottomUp[0] += 6; // the blue of the bottom left pixel
    EXPECT_DOUBLE_EQ(sptest::meanAbsoluteDifference(reference, view), 0.5);
    EXPECT_DOUBLE_EQ(sptest::lumaDifference(reference, view), 6 * 0.114 / 4);
    view.width = 1;
    EXPECT_TRUE(std::isinf(sptest::meanAbsoluteDifference(reference, view)));
    EXPECT_TRUE(std::isinf(sptest::lumaDifference(reference, view)));
}

TEST(FfmpegReference, FrameTimesStartAtTheFirstPicture) {
    // 25 frames a second from the first picture in MP4 (after the encoder delay) and in the
    // transport stream, whose times start at 1.4 s in the file. A frame starting up to 20 us
    // after a time counts as on screen at it, as the timecodes allow.
    for (const char* name : {"h264.mp4", "mpeg2.ts", "avi_mjpeg.avi"}) {
        SCOPED_TRACE(name);
        const auto times = sptest::ffprobeFrameTimes(mediaPath(name));
        ASSERT_EQ(times.size(), 100u);
        for (size_t i = 1; i < times.size(); ++i)
            EXPECT_EQ(times[i] - times[i - 1], 400000);
        EXPECT_EQ(times.front(), 0);
        EXPECT_EQ(sptest::frameIndexAt(times, times[7]), 7);
        EXPECT_EQ(sptest::frameIndexAt(times, times[8] - 201), 7);
        EXPECT_EQ(sptest::frameIndexAt(times, times[8] - 200), 8);
        EXPECT_EQ(sptest::frameIndexAt(times, -1), 0);
    }
}

} // namespace
} // namespace sp::outside
