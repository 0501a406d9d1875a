#include "platform/outside/demuxer.h"

#include "media_files.h"
#include "platform/graph/guids.h"
#include "support/ffmpeg_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <vector>

namespace sp::outside {
namespace {

using testing::mediaPath;

struct FileCase {
    const char* name;
    const char* format;
    const char* wrongFormat;
    int videoStreams; // video or interleaved
    int audioStreams;
};
void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

const FileCase kFiles[] = {
    {"avi_mjpeg.avi", "avi", "mpegts", 1, 1},
    {"avi_dv_type2.avi", "avi", "dv", 1, 1},
    {"avi_dv_type1.avi", "avi", "dv", 1, 0},
    {"raw.dv", "dv", "avi", 1, 0},
    {"mpeg1.mpg", "mpeg", "mpegts", 1, 1},
    {"mpeg2_16x9.mpg", "mpeg", "mpegts", 1, 1},
    {"dvd.vob", "mpeg", "avi", 1, 2},
    {"mpeg2.ts", "mpegts", "mpeg", 1, 1},
    {"avchd.m2ts", "mpegts", "mpeg", 1, 1},
    {"camera.MTS", "mpegts", "asf", 1, 1},
    {"wmv8.wmv", "asf", "avi", 1, 1},
    {"h264.mkv", "matroska,webm", "mov,mp4,m4a,3gp,3g2,mj2", 1, 1},
    {"h264.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", 1, 1},
    {"three_audio.avi", "avi", "mpeg", 1, 3},
    {"audio_only.mp3", "mp3", "mpeg", 0, 1},
};

class EveryFile : public ::testing::TestWithParam<FileCase> {};

int count(const Demuxer& d, StreamKind a, StreamKind b = StreamKind::Other) {
    int n = 0;
    for (const auto& s : d.streams())
        n += s.kind == a || (b != StreamKind::Other && s.kind == b);
    return n;
}

TEST_P(EveryFile, OpensWithItsContainerAndListsItsStreams) {
    const FileCase& c = GetParam();
    std::string error;
    auto d = Demuxer::openFile(mediaPath(c.name), c.format, &error);
    ASSERT_TRUE(d) << error;
    EXPECT_EQ(d->formatName(), c.format);
    EXPECT_EQ(count(*d, StreamKind::Video, StreamKind::Interleaved), c.videoStreams);
    EXPECT_EQ(count(*d, StreamKind::Audio), c.audioStreams);
    EXPECT_GT(d->durationHns(), 15'000'000);
    EXPECT_LT(d->durationHns(), 50'000'000);
    for (const auto& s : d->streams()) {
        if (s.kind == StreamKind::Other) continue;
        EXPECT_FALSE(s.mediaType.majortype.isNull()) << s.codecName;
        EXPECT_FALSE(s.mediaType.format.empty()) << s.codecName;
    }
}

TEST_P(EveryFile, RefusesAnotherContainersFormatCleanly) {
    const FileCase& c = GetParam();
    std::string error;
    auto d = Demuxer::openFile(mediaPath(c.name), c.wrongFormat, &error);
    EXPECT_FALSE(d) << c.name << " opened as " << c.wrongFormat;
    EXPECT_FALSE(error.empty());
}

TEST_P(EveryFile, PacketsCarryRelativeTimesAndKeyFrames) {
    const FileCase& c = GetParam();
    auto d = Demuxer::openFile(mediaPath(c.name), c.format);
    ASSERT_TRUE(d);
    int64_t first = kNoTimeHns, last = kNoTimeHns;
    int packets = 0, keyframes = 0;
    while (auto p = d->readPacket()) {
        ASSERT_NE(d->streams()[size_t(p->streamIndex)].kind, StreamKind::Other);
        EXPECT_FALSE(p->data().empty());
        ++packets;
        keyframes += p->keyframe;
        if (p->startHns == kNoTimeHns) continue;
        if (first == kNoTimeHns) first = p->startHns;
        last = std::max(last, p->startHns);
    }
    EXPECT_GT(packets, 10);
    EXPECT_GT(keyframes, 0);
    EXPECT_GE(first, -1'000'000); // the earliest stream starts at 0; others near it
    EXPECT_LT(first, 2'000'000);
    EXPECT_GT(last, d->durationHns() - 10'000'000);
    EXPECT_LE(last, d->durationHns() + 1'000'000);
}

INSTANTIATE_TEST_SUITE_P(Media, EveryFile, ::testing::ValuesIn(kFiles), [](const auto& info) {
    std::string n = info.param.name;
    for (auto& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Demuxer, ReaderSourceGivesTheSamePacketsAsThePath) {
    const auto bytes = readAll(mediaPath("mpeg2_16x9.mpg"));
    int reads = 0;
    auto reader = [&](int64_t pos, std::span<uint8_t> buf) -> int64_t {
        ++reads;
        if (pos >= int64_t(bytes.size())) return 0;
        size_t n = std::min(buf.size(), bytes.size() - size_t(pos));
        std::copy_n(bytes.begin() + pos, n, buf.begin());
        return int64_t(n);
    };
    auto fromReader = Demuxer::openReader(reader, int64_t(bytes.size()), "mpeg");
    auto fromPath = Demuxer::openFile(mediaPath("mpeg2_16x9.mpg"), "mpeg");
    ASSERT_TRUE(fromReader && fromPath);
    ASSERT_EQ(fromReader->streams().size(), fromPath->streams().size());
    EXPECT_EQ(fromReader->streams()[0].mediaType, fromPath->streams()[0].mediaType);
    for (;;) {
        auto a = fromReader->readPacket();
        auto b = fromPath->readPacket();
        ASSERT_EQ(a.has_value(), b.has_value());
        if (!a) break;
        ASSERT_EQ(a->startHns, b->startHns);
        ASSERT_TRUE(
            std::equal(a->data().begin(), a->data().end(), b->data().begin(), b->data().end()));
    }
    EXPECT_GT(reads, 0);
}

TEST(Demuxer, ReaderErrorEndsTheStream) {
    const auto bytes = readAll(mediaPath("mpeg2.ts"));
    const int64_t failFrom = int64_t(bytes.size()) / 2;
    auto reader = [&](int64_t pos, std::span<uint8_t> buf) -> int64_t {
        if (pos >= failFrom) return -1;
        size_t n = std::min<size_t>(buf.size(), size_t(failFrom - pos));
        std::copy_n(bytes.begin() + pos, n, buf.begin());
        return int64_t(n);
    };
    auto d = Demuxer::openReader(reader, int64_t(bytes.size()), "mpegts");
    ASSERT_TRUE(d);
    int64_t last = 0;
    while (auto p = d->readPacket())
        if (p->startHns != kNoTimeHns) last = std::max(last, p->startHns);
    EXPECT_GT(last, 0);
    EXPECT_LT(last, 30'000'000); // the whole file lasts 4 s; the readable half about 2 s
    EXPECT_FALSE(d->readPacket());
}

TEST(Demuxer, AbortEndsReadingUntilTheNextSeek) {
    auto d = Demuxer::openFile(mediaPath("h264.mkv"), "matroska,webm");
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->readPacket());
    d->abort();
    EXPECT_FALSE(d->readPacket());
    ASSERT_TRUE(d->seek(0));
    EXPECT_TRUE(d->readPacket());
}

// A stalling reader cannot keep the streaming thread: abort() from another thread ends the read.
TEST(Demuxer, AbortFromAnotherThreadEndsAStalledRead) {
    const auto bytes = readAll(mediaPath("avi_mjpeg.avi"));
    std::atomic<bool> stall{false}, aborted{false};
    std::atomic<int> stalledCalls{0}, callsAfterAbort{0};
    auto reader = [&](int64_t pos, std::span<uint8_t> buf) -> int64_t {
        if (stall) {
            if (aborted) ++callsAfterAbort;
            ++stalledCalls;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return 1; // a trickle: never the end, never an error
        }
        size_t n = std::min(buf.size(), bytes.size() - size_t(pos));
        std::copy_n(bytes.begin() + pos, n, buf.begin());
        return int64_t(n);
    };
    auto d = Demuxer::openReader(reader, int64_t(bytes.size()), "avi");
    ASSERT_TRUE(d);
    stall = true;
    std::thread stopper([&] {
        // Once the read trickles (or after 10 s, when it never started to), abort it.
        for (int i = 0; i < 10000 && stalledCalls < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        aborted = true;
        d->abort();
    });
    while (d->readPacket()) {
    }
    stopper.join();
    EXPECT_GE(stalledCalls.load(), 3);
    // The read in progress returns at the next check between reader calls; the 10 s deadline
    // alone would have taken some 500 more.
    EXPECT_LE(callsAfterAbort.load(), 2);
}

TEST(Demuxer, UnreadableFilesFailWithAMessage) {
    for (const char* name : {"empty.avi", "not_a_video.mpg", "no_such_file.avi"}) {
        for (const char* format : {"", "avi", "mpeg", "mpegts", "dv"}) {
            std::string error;
            EXPECT_FALSE(Demuxer::openFile(mediaPath(name), format, &error)) << name << format;
            EXPECT_FALSE(error.empty());
        }
    }
    std::string error;
    // A path is a local file name, never a protocol.
    EXPECT_FALSE(Demuxer::openFile("http://127.0.0.1:9/remote.avi", "", &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(Demuxer::openFile(mediaPath("h264.mp4"), "no-such-container", &error));
    EXPECT_FALSE(error.empty());
}

// Damaged files either fail to open or end cleanly; reading stays bounded.
TEST(Demuxer, DamagedFilesFailOrEndCleanly) {
    const std::pair<const char*, const char*> files[] = {
        {"damaged_truncated.mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
        {"damaged_truncated.mpg", "mpeg"},
        {"damaged_overwritten.avi", "avi"},
        {"damaged_overwritten.mkv", "matroska,webm"},
        {"damaged_overwritten.ts", "mpegts"},
    };
    for (const auto& [name, format] : files) {
        SCOPED_TRACE(name);
        // What the ffmpeg tools still read must be read; only what they refuse may be refused.
        const auto reference = sptest::ffprobeVideoCounts(mediaPath(name));
        std::string error;
        auto d = Demuxer::openFile(mediaPath(name), format, &error);
        if (!d) {
            EXPECT_FALSE(reference) << "ffprobe reads " << reference->packets << " packets";
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(reference) << "opened a file ffprobe refuses";
        int video = -1;
        for (const auto& s : d->streams())
            if (video < 0 && (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved))
                video = s.index;
        int packets = 0, videoPackets = 0;
        while (auto p = d->readPacket()) {
            if (++packets >= 100000) break;
            if (p->streamIndex == video) ++videoPackets;
        }
        EXPECT_LT(packets, 100000);
        EXPECT_GE(videoPackets, reference->packets * 9 / 10)
            << "ffprobe reads " << reference->packets;
        d->seek(d->durationHns() / 3); // may fail on a damaged index; reading must still end
        while (d->readPacket() && packets < 200000)
            ++packets;
        EXPECT_LT(packets, 200000) << name;
    }
}

TEST(Demuxer, SeekLandsOnAKeyFrameAtOrBeforeTheTarget) {
    const std::pair<const char*, const char*> files[] = {
        {"mpeg1.mpg", "mpeg"},         {"mpeg2_16x9.mpg", "mpeg"},
        {"mpeg2.ts", "mpegts"},        {"avchd.m2ts", "mpegts"},
        {"h264.mkv", "matroska,webm"}, {"h264.mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
        {"wmv8.wmv", "asf"},
    };
    for (const auto& [name, format] : files) {
        auto d = Demuxer::openFile(mediaPath(name), format);
        ASSERT_TRUE(d) << name;
        for (int64_t target : {25'000'000LL, 12'345'678LL, 31'000'000LL, 0LL}) {
            ASSERT_TRUE(d->seek(target)) << name;
            std::optional<Packet> p;
            while ((p = d->readPacket()) &&
                   d->streams()[size_t(p->streamIndex)].kind != StreamKind::Video) {
            }
            ASSERT_TRUE(p) << name << " " << target;
            EXPECT_TRUE(p->keyframe) << name << " " << target;
            EXPECT_LE(p->startHns, std::max<int64_t>(target, 1'000'000)) << name << " " << target;
            EXPECT_GT(p->startHns, target - 25'000'000) << name << " " << target;
        }
    }
}

// The first packets of every sound stream, as (time, size), up to `count` each.
std::map<int, std::vector<std::pair<int64_t, size_t>>> firstSoundPackets(Demuxer& d, size_t count) {
    std::map<int, std::vector<std::pair<int64_t, size_t>>> sound;
    size_t streams = 0;
    for (const auto& s : d.streams())
        streams += s.kind == StreamKind::Audio;
    for (int n = 0; n < 5000; ++n) {
        auto p = d.readPacket();
        if (!p) break;
        if (d.streams()[size_t(p->streamIndex)].kind != StreamKind::Audio) continue;
        auto& mine = sound[p->streamIndex];
        if (mine.size() < count) mine.emplace_back(p->startHns, p->data().size());
        if (sound.size() == streams && std::all_of(sound.begin(), sound.end(), [&](const auto& s) {
                return s.second.size() == count;
            }))
            break;
    }
    return sound;
}

// Decoders carry state from one sound packet to the next, so a seek back to the start must give
// them the same packets as opening the file did, including those stored before the first picture
// that some containers skip when seeking to it.
TEST(Demuxer, ASeekToTheStartGivesTheSoundPacketsOfTheStart) {
    for (const char* name :
         {"webm_vp9.webm", "flv_h263.flv", "h264.mkv", "h264.mp4", "late_video.mkv",
          "late_video.mp4", "mobile.3gp", "mpeg2.ts", "avi_mjpeg.avi", "wmv8.wmv", "dvd.vob"}) {
        SCOPED_TRACE(name);
        auto d = Demuxer::openFile(mediaPath(name), "");
        ASSERT_TRUE(d);
        const auto opened = firstSoundPackets(*d, 6);
        ASSERT_FALSE(opened.empty());
        ASSERT_TRUE(d->seek(15'000'000));
        ASSERT_TRUE(d->seek(0));
        EXPECT_EQ(firstSoundPackets(*d, 6), opened);
    }
}

// Frames dropped from a 30 fps source, stored with millisecond times: the pictures start on the
// 30 fps grid again (ffprobe's times are up to half a millisecond off it), and the description
// gives the base rate's duration for timecodes where the average is not a frame's.
TEST(Demuxer, VariableRateFramesStartOnTheirBaseRatesGrid) {
    for (const char* file : {"vfr_drops.mkv", "vfr_drops.mp4"}) {
        SCOPED_TRACE(file);
        auto demuxer = Demuxer::openFile(mediaPath(file), "");
        ASSERT_TRUE(demuxer);
        const int video = 0;
        ASSERT_EQ(demuxer->streams()[video].kind, StreamKind::Video);
        const int64_t base = demuxer->streams()[video].baseFrameHns;
        // Matroska's average is the base rate already; MP4 knows the real average.
        EXPECT_EQ(base, std::string(file).ends_with(".mp4") ? 333333 : 0);
        int pictures = 0, dropped = 0;
        std::set<int64_t> starts;
        while (auto p = demuxer->readPacket())
            if (p->streamIndex == video) starts.insert(p->startHns);
        int64_t previous = -1;
        for (int64_t t : starts) {
            const int64_t frame = (t * 30 + 5'000'000) / 10'000'000;
            EXPECT_LE(std::abs(t - frame * 10'000'000 / 30), 1) << t;
            if (previous >= 0) dropped += int((t - previous + 166'666) / 333'333) - 1;
            previous = t;
            ++pictures;
        }
        EXPECT_EQ(pictures, 70);
        EXPECT_EQ(dropped, 19 + 29); // every third of the first 2 s, every other one after
    }
}

TEST(Demuxer, TagsOfTheFileComeFirstThenTheVideoStreamsAnyCase) {
    auto apple = Demuxer::openFile(mediaPath("dated_apple.mov"), "");
    ASSERT_TRUE(apple);
    EXPECT_EQ(apple->tag("com.apple.quicktime.creationdate"), "2022-08-09T18:30:00+0200");
    EXPECT_EQ(apple->tag("COM.APPLE.QUICKTIME.MAKE"), "Apple");
    EXPECT_EQ(apple->tag("handler_name"), "VideoHandler"); // the video stream's only
    EXPECT_FALSE(apple->tag("DATE_RECORDED"));
    auto mkv = Demuxer::openFile(mediaPath("dated.mkv"), "");
    ASSERT_TRUE(mkv);
    EXPECT_EQ(mkv->tag("date_recorded"), "2019-12-31 23:59:40");
    auto plain = Demuxer::openFile(mediaPath("dated_mdpm.m2ts"), "");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->tag("creation_time"));
}

} // namespace
} // namespace sp::outside
