// Display rotation: reading the display matrix, turning pictures upright, and phone-like files
// decoded upright as the ffmpeg command line shows them.

#include "platform/outside/picture_turn.h"

#include "media_files.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/video_decoder.h"
#include "support/ffmpeg_reference.h"

#include <gtest/gtest.h>

#include <vector>

namespace sp::outside {
namespace {

using mf::PictureOrientation;
using testing::mediaPath;

// The first two rows of a display matrix (a b / c d), 16.16 fixed point, times `scale`.
std::vector<int32_t> matrix(int a, int b, int c, int d, int scale = 1) {
    const int32_t one = scale << 16;
    return {a * one, b * one, 0, c * one, d * one, 0, 0, 0, 1 << 30};
}

TEST(PictureTurn, DisplayMatricesGiveTheTurnsTheCommandLineApplies) {
    struct Case {
        std::vector<int32_t> m;
        PictureOrientation expected;
    };
    const Case cases[] = {
        {matrix(1, 0, 0, 1), {0, false}},
        {matrix(0, 1, -1, 0), {1, false}}, // a phone's portrait video: a quarter clockwise
        {matrix(-1, 0, 0, -1), {2, false}},
        {matrix(0, -1, 1, 0), {3, false}},
        {matrix(-1, 0, 0, 1), {0, true}},  // hflip
        {matrix(1, 0, 0, -1), {2, true}},  // vflip: a half turn mirrored
        {matrix(0, 1, 1, 0), {1, true}},   // transpose
        {matrix(0, -1, -1, 0), {3, true}}, // the other diagonal
        {matrix(0, 2, -2, 0), {1, false}}, // scaled
    };
    for (const Case& c : cases)
        EXPECT_EQ(orientationFromDisplayMatrix(c.m.data()), c.expected)
            << c.m[0] << " " << c.m[1] << " " << c.m[3] << " " << c.m[4];
    // 45 degrees is no quarter turn: shown as stored.
    const int32_t tilted[9] = {46341, 46341, 0, -46341, 46341, 0, 0, 0, 1 << 30};
    EXPECT_TRUE(orientationFromDisplayMatrix(tilted).upright());
    EXPECT_EQ(PictureOrientation::fromPacked(PictureOrientation{3, true}.packed()),
              (PictureOrientation{3, true}));
}

// 1 2 3 / 4 5 6 turned by `o`, read row by row from the top (or from the bottom row up when
// written bottom-up).
std::vector<uint32_t> turned(PictureOrientation o, bool bottomUp = false) {
    const uint32_t stored[6] = {1, 2, 3, 4, 5, 6};
    const PictureSize up = uprightSize(3, 2, o);
    std::vector<uint32_t> out(6, 0);
    auto* bytes = reinterpret_cast<uint8_t*>(out.data());
    const ptrdiff_t stride = ptrdiff_t(up.width) * 4;
    turnPicture(reinterpret_cast<const uint8_t*>(stored), 3, 2, 12, o,
                bottomUp ? bytes + stride * (up.height - 1) : bytes, bottomUp ? -stride : stride);
    return out;
}

TEST(PictureTurn, EveryTurnAndMirrorMovesThePixelsWhereTheyAreShown) {
    using V = std::vector<uint32_t>;
    EXPECT_EQ(turned({0, false}), (V{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(turned({1, false}), (V{4, 1, 5, 2, 6, 3}));
    EXPECT_EQ(turned({2, false}), (V{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(turned({3, false}), (V{3, 6, 2, 5, 1, 4}));
    EXPECT_EQ(turned({0, true}), (V{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(turned({1, true}), (V{1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(turned({2, true}), (V{4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(turned({3, true}), (V{6, 3, 5, 2, 4, 1}));
    // Bottom-up rows: the upright picture's bottom row comes first in memory.
    EXPECT_EQ(turned({1, false}, true), (V{6, 3, 5, 2, 4, 1}));
    // 8-byte pixels (16 bits a channel) go the same way, whole.
    const uint64_t deep[6] = {1ull << 48 | 1, 2ull << 32, 3, 4ull << 16, 5ull << 40, 6};
    uint64_t up[6] = {};
    turnPicture(reinterpret_cast<const uint8_t*>(deep), 3, 2, 24, {1, false},
                reinterpret_cast<uint8_t*>(up), 16, 8);
    EXPECT_EQ((std::vector<uint64_t>(up, up + 6)),
              (std::vector<uint64_t>{deep[3], deep[0], deep[4], deep[1], deep[5], deep[2]}));
    EXPECT_EQ(uprightSize(1280, 720, {1, false}), (PictureSize{720, 1280}));
    EXPECT_EQ(uprightSize(1280, 720, {2, true}), (PictureSize{1280, 720}));
}

// Phone-like files: the splitter's type carries the turn, and the decoder gives frame 12
// upright, as ffmpeg's command line turns it (with its display matrix).
TEST(PictureTurn, RotatedFilesDecodeUprightAsTheCommandLineShowsThem) {
    struct Case {
        const char* name;
        PictureOrientation orientation;
    };
    const Case cases[] = {{"rotate_90.mp4", {1, false}},      {"rotate_180.mov", {2, false}},
                          {"rotate_270.mov", {3, false}},     {"rotate_90_mirror.mp4", {1, true}},
                          {"rotate_base.mp4", {0, false}},    {"rotate_270.mkv", {3, false}},
                          {"rotate_90_mirror.mkv", {1, true}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto demuxer = Demuxer::openFile(mediaPath(c.name), "");
        ASSERT_TRUE(demuxer);
        const DemuxerStream& video = demuxer->streams().front();
        ASSERT_EQ(video.kind, StreamKind::Video);
        EXPECT_EQ(video.mediaType.orientation(), c.orientation);
        auto decoder = VideoDecoder::open(video.mediaType);
        ASSERT_TRUE(decoder);
        const PictureSize up = uprightSize(320, 180, c.orientation);
        EXPECT_EQ(decoder->width(), up.width);
        std::optional<VideoFrameInfo> frame;
        for (int taken = 0; taken <= 12;) {
            if ((frame = decoder->nextFrame())) {
                if (taken++ == 12) break;
                continue;
            }
            auto packet = demuxer->readPacket();
            ASSERT_TRUE(packet);
            if (packet->streamIndex == video.index)
                decoder->sendPacket(packet->data(), packet->startHns);
        }
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width, up.width);
        EXPECT_EQ(frame->height, up.height);
        std::vector<uint8_t> bottomUp(size_t(up.width) * size_t(up.height) * 4);
        ASSERT_TRUE(decoder->copyCurrentRgb32(bottomUp));
        EXPECT_TRUE(sptest::showsFrame(mediaPath(c.name), 12,
                                       {bottomUp.data(), up.width, up.height, up.width * 4, true}));
    }
}

} // namespace
} // namespace sp::outside
