// What the engine does between seeks, over the whole media system with a real Qt message
// target standing in for the main window: play then pause, the maximum-speed mode switched while
// playing and while paused, a picture-size change played through the real decoder, bitmap
// filter and reconnection, and the fallback chain of the .mpg builders. Every picture is checked
// against the ffmpeg command line's decoding of the file at the position reported.

#include "filters/frame_bitmap.h"
#include "filters/stream_info.h"
#include "filters/superposer.h"
#include "media/capture_devices.h"
#include "media/grab_builder.h"
#include "media/media_system.h"
#include "platform/graph/message_target.h"
#include "platform/system/qt_message_target.h"

#include "media_test_support.h"
#include "support/ffmpeg_reference.h"
#include "support/gui_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace sp {
namespace {

using namespace mediatest;

class PlaybackPaths : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    void SetUp() override {
        // As the main window: it takes the frame duration from the video description, reconnects
        // the superposer when asked and counts the ends of media.
        mf::setMainWindowTarget(
            std::make_shared<QtMessageTarget>([this](uint32_t msg, uintptr_t w, intptr_t l) {
                if (!media) return intptr_t(0);
                if (msg == mf::WM_STREAM_INFO && w == 1) {
                    const TvData video = CopyTvData();
                    if (video.FrameDuration > 0) media->FrameDuration = video.FrameDuration;
                }
                if (msg == mf::WM_RECONNECT) {
                    media->ReconnectSuperposer(l != 0);
                    ++reconnections;
                }
                if (msg == mf::WM_END_OF_MEDIA) { // back at the start: pause there
                    media->Pause();
                    ++ends;
                }
                return intptr_t(0);
            }));
    }
    void TearDown() override {
        if (media) media->CloseSources();
        media.reset();
        builder.reset();
        mf::setMainWindowTarget(nullptr);
    }

    // Opens `file`'s first video stream alone, paused at 0, on a canvas of the size given.
    ::testing::AssertionResult open(const std::string& file, int32_t canvasWidth = 736,
                                    int32_t canvasHeight = 576) {
        path = file.starts_with("/") ? file : mediaPath(file);
        times = sptest::ffprobeFrameTimes(path);
        media = std::make_unique<TMediaSystem>(canvasWidth, canvasHeight);
        media->SetVideoWindow(&environment.preview);
        builder = std::make_unique<TGrabBuilder>(path, environment.env);
        if (builder->Failed || builder->VideoSources.empty())
            return ::testing::AssertionFailure() << file << " gives no video source";
        if (!media->SelectSources(builder->VideoSources[0], nullptr))
            return ::testing::AssertionFailure() << file << " does not connect";
        settle(300);
        return ::testing::AssertionSuccess();
    }
    // Handles the main window's events until `done`, or for `ms` milliseconds at most.
    void settle(
        int ms, const std::function<bool()>& done = [] { return false; }) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // The picture in the frame bitmap (what a grab saves) is the frame ffmpeg shows at
    // `position`.
    ::testing::AssertionResult showsFrameAt(int64_t position, bool sizeChanges = false) {
        return mediatest::showsFrameAt(*media, path, times, position, sizeChanges);
    }
    // The mean of B, G and R over the part of the picture outside the first `width` x `height`
    // (0 when the picture is no larger): content there shows the picture is drawn whole.
    double meanOutside(int width, int height) {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        std::lock_guard lock(frame);
        double sum = 0;
        long count = 0;
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x) {
                if (x < width && y < height) continue;
                const uint8_t* p = frame.Bits() + (size_t(y) * frame.Width() + x) * 4;
                sum += p[0] + p[1] + p[2];
                count += 3;
            }
        return count ? sum / double(count) : 0;
    }
    std::pair<int, int> frameSize() {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        return {frame.Width(), frame.Height()};
    }

    Environment environment;
    std::unique_ptr<TMediaSystem> media;
    std::unique_ptr<TGrabBuilder> builder;
    std::string path;
    std::vector<int64_t> times; // ffprobe's frame times
    int reconnections = 0;
    int ends = 0;
};

TEST_F(PlaybackPaths, APauseAfterPlayReportsThePositionOfThePictureItKeeps) {
    for (const char* file : {"h264.mp4", "mpeg2_16x9.mpg"}) { // B-frames in both
        SCOPED_TRACE(file);
        ASSERT_TRUE(open(file));
        media->Play();
        settle(20000, [&] { return media->Superposer()->CurrentTime >= 12000000; });
        media->Pause();
        settle(400);
        // The main window asks for the position after the pause, without a poll in between.
        const int64_t position = media->GetPosition();
        EXPECT_GE(position, 12000000);
        EXPECT_EQ(position, media->Superposer()->CurrentTime.load());
        EXPECT_TRUE(showsFrameAt(position));
        // Drawn again (a flip or an inlay change): the same picture and position.
        media->RefreshStill();
        settle(400);
        EXPECT_EQ(media->GetPosition(), position);
        EXPECT_TRUE(showsFrameAt(position));
        // A step from there lands on the next picture.
        media->NextFrame();
        EXPECT_TRUE(showsFrameAt(media->GetPosition()));
        media->CloseSources();
    }
}

TEST_F(PlaybackPaths, MaximumSpeedSwitchedWhilePlayingGoesOnAndWhilePausedKeepsThePicture) {
    ASSERT_TRUE(open("h264.mp4"));
    media->Play();
    settle(20000, [&] { return media->Superposer()->CurrentTime >= 8000000; });
    const int64_t before = media->Superposer()->CurrentTime;
    media->SetMaxSpeed(1); // while playing: no clock, as fast as it decodes
    EXPECT_EQ(media->GetGraphState(), 3);
    settle(500);
    EXPECT_TRUE(ends > 0 || media->Superposer()->CurrentTime >= before)
        << "playing went back before " << before;
    settle(30000, [&] { return ends > 0; });
    EXPECT_EQ(ends, 1) << "the run without a clock did not reach the end";

    ASSERT_TRUE(media->SetPosition(14000000));
    ASSERT_TRUE(showsFrameAt(14000000));
    media->SetMaxSpeed(0); // while paused: the clock is back, the still stays
    settle(400);
    EXPECT_EQ(media->GetGraphState(), 2);
    EXPECT_EQ(media->GetPosition(), 14000000);
    EXPECT_TRUE(showsFrameAt(14000000));
    media->Play(); // and plays on from there at the clock's pace
    settle(20000, [&] { return media->Superposer()->CurrentTime >= 16000000; });
    media->Pause();
    settle(400);
    EXPECT_GE(media->GetPosition(), 16000000);
    EXPECT_TRUE(showsFrameAt(media->GetPosition()));
}

TEST_F(PlaybackPaths, APictureOutgrowingTheCanvasIsReconnectedAndShownWhole) {
    // 320 x 240 for the first second, then 352 x 288, on a canvas of 320 x 240.
    ASSERT_TRUE(open("size_change.ts", 320, 240));
    ASSERT_GT(times.size(), 40u);
    EXPECT_EQ(frameSize(), std::pair(320, 240));
    ASSERT_TRUE(media->SetPosition(15000000));
    settle(5000, [&] { return reconnections > 0 && frameSize() == std::pair(352, 288); });
    EXPECT_GT(reconnections, 0);
    ASSERT_TRUE(media->SetPosition(15000000)); // after the reconnection, the same still again
    EXPECT_EQ(frameSize(), std::pair(352, 288));
    EXPECT_GT(meanOutside(320, 240), 8.0); // drawn whole, not into the old size
    EXPECT_TRUE(showsFrameAt(15000000, true));
    // The first picture of the new size, and a step back across the change.
    ASSERT_TRUE(media->SetPosition(times[24] + 100));
    EXPECT_EQ(frameSize(), std::pair(352, 288));
    EXPECT_TRUE(showsFrameAt(times[24] + 100, true));
    media->PreviousFrame();
    EXPECT_EQ(sptest::frameIndexAt(times, media->GetPosition()), 23);
    EXPECT_TRUE(showsFrameAt(media->GetPosition(), true));
    // Played across the change from the first part.
    ASSERT_TRUE(media->SetPosition(5000000));
    EXPECT_EQ(frameSize(), std::pair(320, 240));
    EXPECT_TRUE(showsFrameAt(5000000, true));
    media->Play();
    settle(20000, [&] { return media->Superposer()->CurrentTime >= 14000000; });
    media->Pause();
    settle(400);
    EXPECT_EQ(frameSize(), std::pair(352, 288));
    EXPECT_GT(meanOutside(320, 240), 8.0);
    EXPECT_TRUE(showsFrameAt(media->GetPosition(), true));
}

// A .mpg file is tried by the program-stream, MPEG-1, MPEG-2 splitter and transport-stream
// builders in turn, then by the generic builder: a file that is none of the first reaches the
// first one that reads it (the MPEG-2 demultiplexer reads transport streams too, the general
// splitter behind the transport-stream builder any container), and plays its exact frames with
// its sound.
TEST_F(PlaybackPaths, MpgFilesFallThroughTheBuildersToOneThatReadsThem) {
    sptest::TempDir temp("sp-mpg");
    struct Fallback {
        const char* source;
        const char* builder;
    };
    for (const Fallback& f : {Fallback{"mpeg2_16x9.mpg", "TFileMpeg2PSCaptureDevice"},
                              Fallback{"mpeg1.mpg", "TFileMpeg1CaptureDevice"},
                              Fallback{"mpeg2.ts", "TFileMpeg2PSCaptureDevice"},
                              Fallback{"h264.mp4", "TFileMpeg2TSCaptureDevice"}}) {
        SCOPED_TRACE(f.source);
        const auto copy = temp.path() / (std::string("as_") + f.source + ".mpg");
        std::filesystem::copy_file(mediaPath(f.source), copy,
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_TRUE(open(copy.string()));
        EXPECT_STREQ(BuilderClassName(builder->Device()), f.builder);
        EXPECT_EQ(builder->AudioSources.size(), 1u);
        for (int64_t position : {int64_t(0), int64_t(13000000), times[times.size() / 2] + 100}) {
            ASSERT_TRUE(media->SetPosition(position));
            EXPECT_TRUE(showsFrameAt(position));
        }
        media->CloseSources();
        media.reset();
        builder.reset();
    }
}

} // namespace
} // namespace sp
