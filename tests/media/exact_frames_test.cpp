// Frame-exact positions through the whole engine, checked against the ffmpeg command line's own
// decoding of each file (frame n = the n-th picture ffmpeg decodes), never against our own
// demuxer: typed timecodes, timecode round trips, precision grabs, frame steps.

#include "media/media_system.h"

#include "describe/timecode.h"
#include "filters/frame_bitmap.h"
#include "filters/superposer.h"
#include "media/grab_builder.h"
#include "platform/graph/message_target.h"

#include "media_test_support.h"
#include "support/gui_application.h"
#include "support/recording_target.h"
#include "support/reference_frames.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace sp {
namespace {

using namespace mediatest;
using namespace mf;

// Every picture of the file's first video stream as the ffmpeg command line decodes it, in
// order, without frame rate conversion.
std::vector<sptest::Signature> ffmpegFrames(const std::string& path) {
    std::vector<sptest::Signature> frames;
    int width = 0, height = 0;
    const std::string probe = "ffprobe -v error -select_streams v:0 -show_entries "
                              "stream=width,height -of csv=p=0 '" +
                              path + "'";
    if (FILE* p = popen(probe.c_str(), "r")) {
        if (std::fscanf(p, "%d,%d", &width, &height) != 2) width = height = 0;
        pclose(p);
    }
    if (width <= 0 || height <= 0) return frames;
    const std::string decode = "ffmpeg -v error -nostdin -i '" + path +
                               "' -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgra -";
    FILE* p = popen(decode.c_str(), "r");
    if (!p) return frames;
    std::vector<uint8_t> picture(size_t(width) * height * 4);
    while (std::fread(picture.data(), 1, picture.size(), p) == picture.size())
        frames.push_back(sptest::signatureOf(picture.data(), width, height, width * 4, false));
    pclose(p);
    return frames;
}

// The index of the reference picture closest to `s`, or -1 when none is close.
int frameIndexOf(const sptest::Signature& s, const std::vector<sptest::Signature>& frames) {
    int best = -1, bestDistance = 1 << 30;
    for (size_t i = 0; i < frames.size(); ++i)
        if (int d = sptest::signatureDistance(s, frames[i]); d < bestDistance)
            best = int(i), bestDistance = d;
    return bestDistance <= 8 ? best : -1;
}

// Grab messages are handled on the streaming thread that sends them: the picture is copied
// out of the frame bitmap there, as the main window would.
using GrabRecorder = sptest::RecordingTarget<sptest::Signature>;

sptest::Signature SignatureOfGrab(const GrabRecorder::Message& m) {
    if (m.msg != WM_GRAB_FRAME || !m.sent) return {};
    TFrameBitmap copy;
    reinterpret_cast<TFrameBitmap*>(m.lParam)->CopyTo(copy);
    return sptest::signatureOf(copy.Bits(), copy.Width(), copy.Height(), copy.Width() * 4, false);
}

// Files whose picture starts after their sound, in every container, two whose picture starts
// with the container, and two AVIs with B-frames (samples timed in decoding order only).
const char* const kLateVideoFiles[] = {
    "late_video.mpg",  "late_video_mpeg1.mpg", "late_video.ts",
    "late_video.m2ts", "late_video.wmv",       "late_video.mkv",
    "late_video.mp4",  "edit_list_cut.mp4",    "h264.mkv",
    "raw.dv",          "h264_bframes.avi",     "mpeg4_bframes.avi"};

class ExactFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    void SetUp() override {
        recorder = std::make_shared<GrabRecorder>(SignatureOfGrab);
        setMainWindowTarget(recorder);
        media = std::make_unique<TMediaSystem>();
        media->SetVideoWindow(&environment.preview);
    }
    void TearDown() override {
        media->CloseSources();
        media.reset();
        builders.clear();
        setMainWindowTarget(nullptr);
    }
    // Opens the file's first video stream alone, paused at 0, with `reference` its pictures.
    bool open(const std::string& file) {
        reference = ffmpegFrames(mediaPath(file));
        if (reference.size() < 25) return false;
        builders.push_back(std::make_unique<TGrabBuilder>(mediaPath(file), environment.env));
        TGrabBuilder* b = builders.back().get();
        if (b->Failed || b->VideoSources.empty()) return false;
        media->FrameDuration = 400000;
        return media->SelectSources(b->VideoSources[0], nullptr);
    }
    int shownFrame() {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        std::lock_guard lock(frame);
        return frameIndexOf(sptest::signatureOf(frame.Bits(), frame.Width(), frame.Height(),
                                                frame.Width() * 4, false),
                            reference);
    }
    int frameCount() const { return int(reference.size()); }

    Environment environment;
    std::shared_ptr<GrabRecorder> recorder;
    std::unique_ptr<TMediaSystem> media;
    std::vector<std::unique_ptr<TGrabBuilder>> builders;
    std::vector<sptest::Signature> reference;
};

TEST_F(ExactFrames, TypedTimecodeShowsThatFrameAndReadsBackTheSame) {
    const char* const timecodes[] = {"0:00:00:00", "0:00:00:01", "0:00:01:12", "0:00:02:05",
                                     "0:00:00:24", "0:00:02:24", "0:00:01:00"};
    for (const char* file : kLateVideoFiles) {
        ASSERT_TRUE(open(file)) << file;
        for (const char* text : timecodes) {
            const uint32_t packed = ParseTimecodeText(text);
            const int frame = int((packed >> 16) & 0xFF) * 25 + int(packed >> 24);
            if (frame >= frameCount()) continue;
            media->SetPositionFromText(text);
            EXPECT_EQ(shownFrame(), frame) << file << " at " << text;
            EXPECT_EQ(FormatTimecode(media->GetPosition(), media->FrameDuration), text) << file;
        }
        // Any position: its timecode, typed, shows the frame shown at that position.
        for (int64_t p : {int64_t(399800), int64_t(12345678), int64_t(20000000 - 1)}) {
            ASSERT_TRUE(media->SetPosition(p));
            const int shown = shownFrame();
            EXPECT_GE(shown, 0) << file << " at " << p;
            media->SetPositionFromText(FormatTimecode(p, media->FrameDuration));
            EXPECT_EQ(shownFrame(), shown) << file << " at " << p;
        }
        media->CloseSources();
    }
}

TEST_F(ExactFrames, PrecisionGrabsAreTheFramesAtEachSecond) {
    media->MaxSpeed = 1;
    for (const char* file : {"late_video.mkv", "late_video.ts", "late_video.wmv", "late_video.mpg",
                             "edit_list_cut.mp4", "h264_bframes.avi"}) {
        ASSERT_TRUE(open(file)) << file;
        ASSERT_TRUE(media->SetPosition(0)); // a precision run starts at 0
        const size_t before = recorder->records(WM_GRAB_FRAME).size();
        const uint64_t leftOutBefore = media->Superposer()->PicturesLeftOut();
        bool ended = false;
        media->SetCompletionHandler([&](IFilterGraph*) { ended = true; });
        media->SetGrabPeriod(10000000);
        media->Play();
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!ended && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(ended) << file;
        // Most pictures were neither converted nor copied, yet the last one is on screen.
        EXPECT_GT(media->Superposer()->PicturesLeftOut() - leftOutBefore, size_t(frameCount() / 3))
            << file;
        EXPECT_EQ(shownFrame(), frameCount() - 1) << file;
        media->SetGrabPeriod(0);
        const auto grabs = recorder->records(WM_GRAB_FRAME);
        ASSERT_EQ(grabs.size() - before, size_t((frameCount() - 1) / 25 + 1)) << file;
        for (size_t k = before; k < grabs.size(); ++k)
            EXPECT_EQ(frameIndexOf(grabs[k], reference), int(k - before) * 25) << file;
        // Paused with maximum speed still on, a seek shows its frame.
        ASSERT_TRUE(media->Pause() || media->GetGraphState() == 2);
        media->SetGrabPeriod(10000000);
        ASSERT_TRUE(media->SetPosition(37 * media->FrameDuration));
        EXPECT_EQ(shownFrame(), 37) << file;
        media->SetGrabPeriod(0);
        media->SetCompletionHandler(nullptr);
        media->CloseSources();
    }
}

TEST_F(ExactFrames, FrameStepsLandOnTheNeighbouringFrames) {
    for (const char* file :
         {"late_video.mkv", "late_video.ts", "late_video.mpg", "edit_list_cut.mp4",
          "late_video.wmv", "h264_bframes.avi", "mpeg4_bframes.avi"}) {
        ASSERT_TRUE(open(file)) << file;
        const int last = frameCount() - 1;
        auto at = [&](int frame) { return int64_t(frame) * media->FrameDuration; };
        auto expectSteps = [&](int from, int count, int direction) {
            if (from > last) return;
            ASSERT_TRUE(media->SetPosition(at(from))) << file;
            ASSERT_EQ(shownFrame(), from) << file;
            for (int k = 1; k <= count; ++k) {
                direction > 0 ? media->NextFrame() : media->PreviousFrame();
                const int want = std::clamp(from + direction * k, 0, last);
                EXPECT_EQ(shownFrame(), want) << file << " step " << k << " from " << from;
            }
        };
        expectSteps(0, 3, -1);        // at the start: stays on the first frame
        expectSteps(0, 6, +1);        // forward from the first frame
        expectSteps(26, 8, +1);       // forward across the key frames at 25 or 30
        expectSteps(34, 10, -1);      // back across them, from memory or from the key frame
        expectSteps(75, 4, -1);       // right after a far seek, back
        expectSteps(70, 4, +1);       // and forward
        expectSteps(last - 2, 4, +1); // at the end: the last frame stays
        for (int k = 0; k < 3; ++k) { // back from past the last frame, to below it
            media->PreviousFrame();
            const int at = int(media->GetPosition() / media->FrameDuration);
            EXPECT_EQ(shownFrame(), std::min(at, last)) << file << " back from the end";
        }
        media->CloseSources();
    }
}

} // namespace
} // namespace sp
