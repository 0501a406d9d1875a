#include "platform/outside/video_decoder.h"

#include "media_files.h"
#include "platform/graph/guids.h"
#include "platform/outside/demuxer.h"
#include "support/ffmpeg_reference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace sp::outside {
namespace {

using testing::mediaPath;

// A coarse picture of a frame (per-channel means of 16x16 blocks): equal for the same decoded
// frame, clearly different between neighbouring frames of the moving test pattern.
using Signature = std::vector<int>;

Signature signatureOf(const std::vector<uint8_t>& rgb, int w, int h) {
    Signature s;
    for (int by = 0; by + 16 <= h; by += 16)
        for (int bx = 0; bx + 16 <= w; bx += 16)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int y = by; y < by + 16; ++y)
                    for (int x = bx; x < bx + 16; ++x)
                        sum += rgb[size_t(y * w + x) * 4 + c];
                s.push_back(sum / 256);
            }
    return s;
}

int distance(const Signature& a, const Signature& b) {
    if (a.size() != b.size()) return 1 << 20;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

struct Frame {
    int64_t startHns;
    Signature signature;
};

class VideoFile {
public:
    VideoFile(const char* name, const char* format) {
        std::string error;
        demuxer = Demuxer::openFile(mediaPath(name), format, &error);
        EXPECT_TRUE(demuxer) << name << ": " << error;
        if (!demuxer) return;
        for (const auto& s : demuxer->streams())
            if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) {
                stream = s.index;
                decoder = VideoDecoder::open(s.mediaType, &error);
                EXPECT_TRUE(decoder) << name << ": " << error;
                break;
            }
    }
    bool ok() const { return demuxer && decoder; }

    std::optional<Frame> take() {
        auto info = decoder->nextFrame();
        if (!info) return std::nullopt;
        std::vector<uint8_t> rgb(size_t(info->width) * size_t(info->height) * 4);
        EXPECT_TRUE(decoder->copyCurrentRgb32(rgb));
        return Frame{info->startHns, signatureOf(rgb, info->width, info->height)};
    }
    // The next frame in presentation order, feeding packets as needed; nullopt at the end.
    std::optional<Frame> next() {
        for (;;) {
            if (auto f = take()) return f;
            if (ended) return std::nullopt;
            auto p = demuxer->readPacket();
            if (!p) {
                decoder->sendEndOfStream();
                ended = true;
            } else if (p->streamIndex == stream) {
                decoder->sendPacket(p->data(), p->startHns);
            }
        }
    }
    std::optional<Frame> seekTo(int64_t target) {
        EXPECT_TRUE(demuxer->seek(target));
        decoder->flush();
        decoder->setDropBefore(target);
        ended = false;
        return next();
    }

    std::unique_ptr<Demuxer> demuxer;
    std::unique_ptr<VideoDecoder> decoder;
    int stream = -1;
    bool ended = false;
};

struct SeekCase {
    const char* name;
    const char* format;
};
void PrintTo(const SeekCase& c, std::ostream* os) {
    *os << c.name;
}

class ExactSeek : public ::testing::TestWithParam<SeekCase> {};

// The frame on screen at t as decoding from the start shows it: the last frame starting at or
// before t, or within 20 µs after it as timecodes count (the first frame for earlier times).
size_t onScreen(const std::vector<Frame>& frames, int64_t t) {
    size_t k = 0;
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i].startHns <= t + kSameTimeHns) k = i;
    return k;
}

TEST_P(ExactSeek, FirstFrameAfterASeekIsTheFrameOnScreenAtTheTarget) {
    VideoFile file(GetParam().name, GetParam().format);
    ASSERT_TRUE(file.ok());
    std::vector<Frame> frames;
    while (auto f = file.next()) {
        if (!frames.empty()) {
            ASSERT_GT(f->startHns, frames.back().startHns) << "presentation order";
        }
        frames.push_back(std::move(*f));
    }
    ASSERT_GT(frames.size(), 20u);
    const int64_t frameHns = frames[1].startHns - frames[0].startHns;
    const int64_t last = frames.back().startHns;
    const std::vector<int64_t> targets = {
        last / 2 + frameHns / 2,                // mid-frame
        frames[frames.size() / 3].startHns,     // exactly on a frame's start
        frames[frames.size() / 3].startHns - 1, // just before it: that frame, as its timecode
        frames[frames.size() / 3].startHns - kSameTimeHns - 1, // before that: the one before
        frames[7].startHns + 1, // early, usually a B-frame of the first GOP
        last - frameHns / 3,    // inside the next-to-last frame
        last + 5 * frameHns,    // past the end: the last frame stays
        0,                      // back to the start
        frames[frames.size() * 4 / 5].startHns + frameHns / 4,
    };
    for (int64_t t : targets) {
        auto got = file.seekTo(t);
        ASSERT_TRUE(got) << "no frame after a seek to " << t;
        const size_t want = onScreen(frames, t);
        EXPECT_EQ(got->startHns, frames[want].startHns) << "seek to " << t;
        EXPECT_LE(distance(got->signature, frames[want].signature), 2) << "seek to " << t;
        // The neighbours look different, so the comparison above means something.
        if (want + 1 < frames.size()) {
            EXPECT_GT(distance(frames[want + 1].signature, frames[want].signature), 2);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Media, ExactSeek,
    ::testing::Values(SeekCase{"mpeg1.mpg", "mpeg"}, SeekCase{"mpeg2_16x9.mpg", "mpeg"},
                      SeekCase{"dvd.vob", "mpeg"}, SeekCase{"mpeg2.ts", "mpegts"},
                      SeekCase{"avchd.m2ts", "mpegts"}, SeekCase{"camera.MTS", "mpegts"},
                      SeekCase{"h264.mkv", "matroska,webm"},
                      SeekCase{"h264.mp4", "mov,mp4,m4a,3gp,3g2,mj2"}, SeekCase{"wmv8.wmv", "asf"},
                      SeekCase{"avi_mjpeg.avi", "avi"}, SeekCase{"avi_dv_type2.avi", "avi"},
                      SeekCase{"avi_dv_type1.avi", "avi"}, SeekCase{"raw.dv", "dv"},
                      SeekCase{"h264_1080p.mp4", "mov,mp4,m4a,3gp,3g2,mj2"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

// Our first frame against the ffmpeg command line's conversion of the same frame (top-down
// BGRA): same colours, and our rows bottom-up.
std::vector<uint8_t> ffmpegFirstFrame(const std::string& path, size_t bytes) {
    const std::string cmd =
        "ffmpeg -v error -nostdin -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt bgra -";
    std::vector<uint8_t> out(bytes);
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return {};
    size_t n = fread(out.data(), 1, bytes, pipe);
    pclose(pipe);
    out.resize(n);
    return out;
}

TEST(VideoDecoder, Rgb32IsBottomUpBgrxWithTheRightColours) {
    for (auto [name, format] : {std::pair{"avi_mjpeg.avi", "avi"},
                                {"mpeg2_16x9.mpg", "mpeg"},
                                {"h264.mkv", "matroska,webm"}}) {
        VideoFile file(name, format);
        ASSERT_TRUE(file.ok());
        std::optional<VideoFrameInfo> info;
        while (!info) {
            auto p = file.demuxer->readPacket();
            ASSERT_TRUE(p);
            if (p->streamIndex == file.stream) file.decoder->sendPacket(p->data(), p->startHns);
            info = file.decoder->nextFrame();
        }
        EXPECT_TRUE(info->sizeChanged) << "the first frame announces its size";
        const size_t w = size_t(info->width), h = size_t(info->height), stride = w * 4;
        std::vector<uint8_t> ours(stride * h);
        ASSERT_TRUE(file.decoder->copyCurrentRgb32(ours));
        EXPECT_FALSE(file.decoder->copyCurrentRgb32(std::span(ours).first(ours.size() - 1)));
        auto ref = ffmpegFirstFrame(mediaPath(name), ours.size());
        ASSERT_EQ(ref.size(), ours.size()) << name;
        double diff = 0;
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                for (size_t c = 0; c < 3; ++c)
                    diff += std::abs(int(ours[(h - 1 - y) * stride + x * 4 + c]) -
                                     int(ref[y * stride + x * 4 + c]));
        EXPECT_LT(diff / double(w * h * 3), 3.0) << name;
        const auto type = file.decoder->outputType();
        EXPECT_EQ(type.subtype, mf::MEDIASUBTYPE_RGB32);
        EXPECT_EQ(type.bitmapHeader()->biWidth, int(w));
        EXPECT_EQ(type.bitmapHeader()->biHeight, int(h));
    }
}

// Untagged pictures: BT.709 for high definition, BT.601 for standard definition. The green of
// the test pictures comes out about 26 levels off in G with the wrong matrix.
TEST(VideoDecoder, ColourMatrixFollowsThePictureSizeWhenTheStreamSaysNothing) {
    for (const char* name : {"hd_green_bt709.mp4", "sd_green_bt601.mp4"}) {
        VideoFile file(name, "mov,mp4,m4a,3gp,3g2,mj2");
        ASSERT_TRUE(file.ok());
        std::optional<VideoFrameInfo> info;
        while (!info) {
            auto p = file.demuxer->readPacket();
            if (!p) {
                file.decoder->sendEndOfStream();
            } else if (p->streamIndex == file.stream) {
                file.decoder->sendPacket(p->data(), p->startHns);
            }
            info = file.decoder->nextFrame();
            if (!p) break;
        }
        ASSERT_TRUE(info) << name;
        std::vector<uint8_t> rgb(size_t(info->width) * size_t(info->height) * 4);
        ASSERT_TRUE(file.decoder->copyCurrentRgb32(rgb));
        const uint8_t* px = &rgb[(size_t(info->height / 2) * size_t(info->width) + 8) * 4];
        EXPECT_NEAR(px[0], 0x40, 8) << name << " blue";
        EXPECT_NEAR(px[1], 0xC0, 8) << name << " green";
        EXPECT_NEAR(px[2], 0x20, 8) << name << " red";
    }
}

// Every damaged file here is one the ffmpeg command line still decodes: ours must give nearly
// as many pictures (a few around the damage may go), and stop at the end.
TEST(VideoDecoder, DamagedFilesDecodeToTheirEndWithoutFailing) {
    for (auto [name, format] : {std::pair{"damaged_overwritten.avi", "avi"},
                                {"damaged_overwritten.mkv", "matroska,webm"},
                                {"damaged_overwritten.ts", "mpegts"},
                                {"damaged_truncated.mpg", "mpeg"}}) {
        SCOPED_TRACE(name);
        const auto reference = sptest::ffprobeVideoCounts(mediaPath(name));
        ASSERT_TRUE(reference) << "ffprobe no longer reads it";
        VideoFile file(name, format);
        ASSERT_TRUE(file.ok());
        int frames = 0;
        while (file.next() && frames < 10000)
            ++frames;
        EXPECT_GE(frames, reference->frames * 9 / 10) << "ffprobe decodes " << reference->frames;
        EXPECT_LE(frames, reference->frames + 2);
    }
}

TEST(VideoDecoder, PictureSizeChangeIsAnnouncedOnce) {
    VideoFile file("size_change.ts", "mpegts");
    ASSERT_TRUE(file.ok());
    std::vector<std::pair<int, int>> announced;
    int frames = 0;
    for (;;) {
        auto info = file.decoder->nextFrame();
        if (!info) {
            if (file.ended) break;
            auto p = file.demuxer->readPacket();
            if (!p) {
                file.decoder->sendEndOfStream();
                file.ended = true;
            } else if (p->streamIndex == file.stream) {
                file.decoder->sendPacket(p->data(), p->startHns);
            }
            continue;
        }
        ++frames;
        if (info->sizeChanged) {
            announced.emplace_back(info->width, info->height);
            EXPECT_EQ(file.decoder->outputType().bitmapHeader()->biWidth, info->width);
        }
        std::vector<uint8_t> rgb(size_t(info->width) * size_t(info->height) * 4);
        EXPECT_TRUE(file.decoder->copyCurrentRgb32(rgb));
    }
    EXPECT_GT(frames, 40);
    EXPECT_EQ(announced, (std::vector<std::pair<int, int>>{{320, 240}, {352, 288}}));
}

TEST(VideoDecoder, SamplesAfterTheEndStartANewRun) {
    VideoFile file("mpeg2_16x9.mpg", "mpeg");
    ASSERT_TRUE(file.ok());
    int frames = 0;
    while (file.next())
        ++frames;
    ASSERT_TRUE(file.demuxer->seek(0));
    file.ended = false;
    int again = 0;
    while (file.next())
        ++again;
    EXPECT_EQ(again, frames);
}

TEST(VideoDecoder, UnknownTypesAreRefused) {
    std::string error;
    EXPECT_FALSE(VideoDecoder::open(mf::MediaType{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(VideoDecoder::open(mf::makePcmType(48000, 2)));
}

} // namespace
} // namespace sp::outside
