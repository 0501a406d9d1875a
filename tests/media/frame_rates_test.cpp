// Seeking, stepping and typed timecodes at NTSC rates (29.97 and 23.976 frames a second, where
// a frame lasts no whole number of 100 ns units) and at a variable rate, over the whole media
// system. Every picture is checked against the ffmpeg command line's decoding of the file,
// and every expected frame comes from ffprobe's frame times, never from our own demuxer.

#include "describe/timecode.h"
#include "filters/frame_bitmap.h"
#include "filters/stream_info.h"
#include "media/grab_builder.h"
#include "media/media_system.h"
#include "platform/system/qt_message_target.h"

#include "media_test_support.h"
#include "support/ffmpeg_reference.h"
#include "support/gui_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace sp {
namespace {

using namespace mediatest;

struct RateCase {
    const char* file;
    int64_t frameDuration; // the one timecodes count in; 0: none fits every frame
    bool variable = false; // frames come at a variable rate
    double meanRate = 0;   // the rate described, when it is not 1 s / frameDuration
    // The container rounds times to the millisecond: the frames lie on the grid of
    // frameDuration (as the source made them), a little before or after ffprobe's times.
    bool millisecondTimes = false;
};

// ffprobe's times put back on the grid of `frameDuration` (each within half a millisecond).
std::vector<int64_t> onGrid(std::vector<int64_t> times, int64_t frameDuration) {
    for (int64_t& t : times) {
        const int64_t frame = (t + frameDuration / 2) / frameDuration;
        EXPECT_LE(std::abs(frame * frameDuration - t), 5000) << t;
        t = frame * frameDuration;
    }
    return times;
}

class FrameRates : public ::testing::TestWithParam<RateCase> {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    void SetUp() override {
        // What the main window does with a video description: it takes the frame duration.
        mf::setMainWindowTarget(
            std::make_shared<QtMessageTarget>([this](uint32_t msg, uintptr_t w, intptr_t) {
                if (msg == mf::WM_STREAM_INFO && w == 1 && media) {
                    const TvData video = CopyTvData();
                    media->FrameDuration = video.FrameDuration > 0 ? video.FrameDuration : 400000;
                    described = true;
                }
                return intptr_t(0);
            }));
        media = std::make_unique<TMediaSystem>();
        media->SetVideoWindow(&environment.preview);
        path = mediaPath(GetParam().file);
        times = sptest::ffprobeFrameTimes(path);
        if (GetParam().millisecondTimes) times = onGrid(times, GetParam().frameDuration);
        builder = std::make_unique<TGrabBuilder>(path, environment.env);
        ASSERT_FALSE(builder->Failed);
        ASSERT_FALSE(builder->VideoSources.empty());
        ASSERT_TRUE(media->SelectSources(builder->VideoSources[0], nullptr));
        ASSERT_GT(times.size(), 40u);
        for (int i = 0; i < 2000 && !described; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(described) << "no video description arrived";
    }
    void TearDown() override {
        media->CloseSources();
        media.reset();
        builder.reset();
        mf::setMainWindowTarget(nullptr);
    }

    // The picture shown is the frame ffmpeg shows at `position`.
    ::testing::AssertionResult showsFrameAt(int64_t position) {
        return mediatest::showsFrameAt(*media, path, times, position);
    }

    Environment environment;
    std::unique_ptr<TMediaSystem> media;
    std::unique_ptr<TGrabBuilder> builder;
    std::string path;
    std::vector<int64_t> times; // ffprobe's frame times
    bool described = false;     // a video description arrived
};

TEST_P(FrameRates, TheFrameDurationIsTheStreamsOwn) {
    if (GetParam().frameDuration == 0) GTEST_SKIP() << "no one frame duration fits every frame";
    EXPECT_NEAR(double(media->FrameDuration), double(GetParam().frameDuration), 1.0);
    // A variable rate is described by its average all the same.
    const double described =
        GetParam().meanRate > 0 ? GetParam().meanRate : 1e7 / double(GetParam().frameDuration);
    EXPECT_NEAR(CopyTvData().FrameRate, described, 0.01);
}

TEST_P(FrameRates, PausedSeeksShowTheFrameOnScreen) {
    const int64_t last = times.back();
    // ffprobe gives times to the microsecond, and NTSC frames start between two: positions
    // 10 µs either side of a frame's start are clearly in one frame or the other.
    for (int64_t position : {int64_t(0), times[7] + 100, times[7] - 100, last / 2 + 12345, last / 3,
                             times[times.size() - 2] + 100}) {
        ASSERT_TRUE(media->SetPosition(position)) << position;
        EXPECT_EQ(TMediaSystem::LastPosition, position);
        EXPECT_TRUE(showsFrameAt(position));
    }
}

TEST_P(FrameRates, StepsLandOnTheNeighbouringFrames) {
    // From the middle of a frame, across at least one key frame of every file (their GOPs are
    // 15 to 30 frames), forward then back. At a constant rate each step is one frame duration;
    // at a variable rate it goes to the next frame that exists, however far.
    const bool variable = GetParam().variable;
    const int start = int(times.size() / 2) - 3;
    const size_t first = size_t(start);
    const int64_t into =
        variable ? (times[first + 1] - times[first]) / 3 : media->FrameDuration / 3;
    ASSERT_TRUE(media->SetPosition(times[first] + into));
    int64_t expected = TMediaSystem::LastPosition;
    for (int step = 0; step < 20; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const bool forward = step < 12;
        forward ? media->NextFrame() : media->PreviousFrame();
        expected += forward ? media->FrameDuration : -media->FrameDuration;
        if (!variable) {
            EXPECT_EQ(TMediaSystem::LastPosition, expected);
        }
        EXPECT_TRUE(showsFrameAt(TMediaSystem::LastPosition));
        EXPECT_EQ(sptest::frameIndexAt(times, TMediaSystem::LastPosition),
                  start + (forward ? step + 1 : 23 - step));
    }
}

TEST_P(FrameRates, EveryFramesTimecodeTypedBackShowsIt) {
    // At NTSC rates 30 timecode frames a second drift from the frames (no drop-frame
    // timecodes), so this holds for the variable rates whose base rate is a whole number.
    if (!GetParam().variable || GetParam().frameDuration == 0)
        GTEST_SKIP() << "the frames do not lie on the grid of the timecodes";
    for (size_t i = 0; i < times.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const std::string timecode = FormatTimecode(times[i], media->FrameDuration);
        media->SetPositionFromText(timecode);
        EXPECT_EQ(sptest::frameIndexAt(times, TMediaSystem::LastPosition), int(i)) << timecode;
        if (i % 9 == 4) {
            EXPECT_TRUE(showsFrameAt(TMediaSystem::LastPosition)) << timecode;
        }
    }
}

TEST_P(FrameRates, SecondsAndTypedTimecodesCountFramesOfTheStreamsDuration) {
    media->SetPositionFromText("0:00:01:05");
    EXPECT_EQ(TMediaSystem::LastPosition, 10000000 + 5 * media->FrameDuration);
    EXPECT_TRUE(showsFrameAt(TMediaSystem::LastPosition));
    media->PreviousSecond();
    EXPECT_EQ(TMediaSystem::LastPosition, 5 * media->FrameDuration);
    EXPECT_TRUE(showsFrameAt(TMediaSystem::LastPosition));
    media->NextSecond();
    EXPECT_EQ(TMediaSystem::LastPosition, 10000000 + 5 * media->FrameDuration);
    EXPECT_TRUE(showsFrameAt(TMediaSystem::LastPosition));
    media->PreviousMinute(); // clamped at the start
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    EXPECT_TRUE(showsFrameAt(0));
}

INSTANTIATE_TEST_SUITE_P(Ntsc, FrameRates,
                         ::testing::Values(RateCase{"h264_2997.mp4", 333667},
                                           RateCase{"h264_23976.mov", 417083},
                                           RateCase{"mpeg2_2997.ts", 333667},
                                           RateCase{"ntsc.dv", 333667},
                                           RateCase{"vfr.mp4", 0, true},
                                           RateCase{"vfr_drops.mp4", 333333, true, 700.0 / 39},
                                           RateCase{"vfr_drops.mkv", 333333, true, 30, true}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace
} // namespace sp
