#include "platform/outside/picture_reader.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <thread>

namespace sp::outside {
namespace {

using testing::mediaPath;

constexpr int64_t kFrame = 400000;

// Mean absolute difference of the grey of our small picture and the means of the reference's
// areas each of its pixels covers (the reference a whole multiple of it).
double AreaDifference(const std::vector<uint8_t>& small, int width, int height,
                      const sptest::BgraPicture& reference) {
    const int bw = reference.width / width, bh = reference.height / height;
    double total = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int v = 0; v < bh; ++v)
                for (int u = 0; u < bw; ++u) {
                    const uint8_t* p =
                        &reference.bytes[(size_t(y * bh + v) * reference.width + x * bw + u) * 4];
                    sum += p[0] + p[1] + p[2];
                }
            const uint8_t* ours = &small[(size_t(y) * width + x) * 4];
            total += std::abs(double(sum) / (3.0 * bw * bh) - (ours[0] + ours[1] + ours[2]) / 3.0);
        }
    return total / (width * height);
}

TEST(PictureReader, ReadsEveryPictureInOrderAndSeeksToThePictureOnScreen) {
    auto reader = PictureReader::open(mediaPath("scene_cuts.mp4"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->frameHns(), kFrame);
    int count = 0;
    while (auto frame = reader->next()) {
        EXPECT_EQ(frame->startHns, count * kFrame) << count;
        ++count;
    }
    EXPECT_EQ(count, 160);
    EXPECT_FALSE(reader->next()); // stays at the end
    ASSERT_TRUE(reader->seek(50 * kFrame + 1000));
    auto frame = reader->next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->startHns, 50 * kFrame);
    std::vector<uint8_t> small(32 * 24 * 4);
    ASSERT_TRUE(reader->copyScaled(small, 32, 24));
    EXPECT_LT(AreaDifference(small, 32, 24, sptest::ffmpegFrame(mediaPath("scene_cuts.mp4"), 50)),
              6);
    EXPECT_FALSE(reader->copyScaled(small, 64, 48)); // too small a buffer
    EXPECT_FALSE(reader->copyScaled(small, 0, 24));
}

TEST(PictureReader, SmallPicturesAreUprightAndAbortEndsTheReading) {
    auto reader = PictureReader::open(mediaPath("rotate_90.mp4"));
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->next());
    EXPECT_EQ(reader->width(), 180);
    EXPECT_EQ(reader->height(), 320);
    std::vector<uint8_t> small(18 * 32 * 4);
    ASSERT_TRUE(reader->copyScaled(small, 18, 32));
    EXPECT_LT(AreaDifference(small, 18, 32, sptest::ffmpegFrame(mediaPath("rotate_90.mp4"), 0)), 8);
    std::thread([&] { reader->abort(); }).join();
    EXPECT_FALSE(reader->next());
}

// Interleaved DV carries its pictures in the one interleaved stream (type 1 AVI, raw .dv); a
// type 2 AVI in a video stream of its own. All are read alike.
TEST(PictureReader, ReadsDvOfEveryKind) {
    for (const char* name : {"raw.dv", "avi_dv_type1.avi", "avi_dv_type2.avi"}) {
        SCOPED_TRACE(name);
        std::string error;
        auto reader = PictureReader::open(mediaPath(name), &error);
        ASSERT_TRUE(reader) << error;
        int count = 0;
        while (auto frame = reader->next()) {
            EXPECT_EQ(frame->startHns, count * kFrame) << count;
            ++count;
        }
        EXPECT_EQ(count, 50);
        ASSERT_TRUE(reader->seek(20 * kFrame));
        ASSERT_TRUE(reader->next());
        std::vector<uint8_t> small(36 * 24 * 4);
        ASSERT_TRUE(reader->copyScaled(small, 36, 24));
        EXPECT_LT(AreaDifference(small, 36, 24, sptest::ffmpegFrame(mediaPath(name), 20)), 8);
    }
}

TEST(PictureReader, AFileWithoutPicturesOrNoFileGivesNoReader) {
    std::string error;
    EXPECT_FALSE(PictureReader::open(mediaPath("tone.flac"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PictureReader::open(mediaPath("no_such_file.mp4"), &error));
}

} // namespace
} // namespace sp::outside
