// Second and frame steps as the main window makes them (the file opened with its sound, then
// SetPosition(LastPosition ± step)), checked against the ffmpeg command line's decoding of
// each file: the picture shown is the frame of the position reached, whether the engine
// continued decoding forward, seeked, or answered from its picture cache.

#include "media/media_system.h"

#include "describe/timecode.h"
#include "filters/frame_bitmap.h"
#include "media/grab_builder.h"

#include "platform/graph/guids.h"
#include "platform/outside/video_renderer.h"

#include "media_test_support.h"
#include "support/ffmpeg_reference.h"
#include "support/gui_application.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sp {
namespace {

using namespace mediatest;

// Keeps a copy of the last picture the preview renderer presented, as the video window does.
class PresentedPicture final : public mf::IPresentationSurface {
public:
    void present(const uint8_t* bits, int width, int height, int strideBytes) override {
        std::lock_guard lock(mutex_);
        width_ = width;
        height_ = height;
        pixels_.resize(size_t(width) * height * 4);
        for (int y = 0; y < height; ++y)
            std::memcpy(pixels_.data() + size_t(y) * width * 4, bits + size_t(y) * strideBytes,
                        size_t(width) * 4);
    }
    ::testing::AssertionResult shows(const std::string& path, int index) {
        std::lock_guard lock(mutex_);
        sptest::PictureView view{pixels_.data(), width_, height_, width_ * 4, false};
        return sptest::showsFrame(path, index, view);
    }

private:
    std::mutex mutex_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

class NavigationSteps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    void SetUp() override {
        media = std::make_unique<TMediaSystem>();
        media->SetVideoWindow(&environment.preview);
    }
    void TearDown() override {
        media->CloseSources();
        media.reset();
        builders.clear();
    }
    // Opens the file's first video stream and, with `sound`, its first audio stream, paused at
    // 0 as the main window leaves a file it opened.
    bool open(const std::string& file, bool sound) {
        path = mediaPath(file);
        builders.push_back(std::make_unique<TGrabBuilder>(path, environment.env));
        TGrabBuilder* b = builders.back().get();
        if (b->Failed || b->VideoSources.empty()) return false;
        TAudioSource* audio = sound && !b->AudioSources.empty() ? b->AudioSources[0] : nullptr;
        media->FrameDuration = 400000;
        return media->SelectSources(b->VideoSources[0], audio) && media->SetPosition(0);
    }
    // The picture on screen is frame `index` of the file, as ffmpeg decodes it.
    ::testing::AssertionResult shows(int index) {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        sptest::PictureView view{frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4,
                                 false};
        return sptest::showsFrame(path, index, view);
    }
    std::string timecode() { return FormatTimecode(media->GetPosition(), media->FrameDuration); }

    Environment environment;
    std::unique_ptr<TMediaSystem> media;
    std::vector<std::unique_ptr<TGrabBuilder>> builders;
    std::string path;
};

// A second forward from the first frame reaches frame 25 (a B-frame after the key frame 24 of
// a 12-frame open GOP on the MPEG-2 file), and the box reads that frame's timecode.
TEST_F(NavigationSteps, SecondStepsShowTheFrameOfTheTimecodeReached) {
    for (const char* file : {"mpeg2_16x9.mpg", "late_video.mpg", "late_video.mkv"}) {
        for (bool sound : {true, false}) {
            SCOPED_TRACE(std::string(file) + (sound ? " with sound" : " without sound"));
            ASSERT_TRUE(open(file, sound));
            EXPECT_TRUE(shows(0));
            media->NextSecond();
            EXPECT_EQ(timecode(), "0:00:01:00");
            EXPECT_TRUE(shows(25));
            media->NextSecond();
            EXPECT_EQ(timecode(), "0:00:02:00");
            EXPECT_TRUE(shows(50));
            media->PreviousSecond();
            EXPECT_EQ(timecode(), "0:00:01:00");
            EXPECT_TRUE(shows(25));
            media->NextFrame();
            EXPECT_EQ(timecode(), "0:00:01:01");
            EXPECT_TRUE(shows(26));
            media->PreviousSecond();
            EXPECT_TRUE(shows(1));
            media->CloseSources();
        }
    }
}

// Steps forward on DV continue from the frame shown; every one is the next frame, with and
// without the sound the DV splitter also delivers.
TEST_F(NavigationSteps, FrameStepsForwardOnDvAreEachTheNextFrame) {
    for (bool sound : {true, false}) {
        SCOPED_TRACE(sound ? "with sound" : "without sound");
        ASSERT_TRUE(open("raw.dv", sound));
        media->SetPosition(int64_t(10) * media->FrameDuration);
        EXPECT_TRUE(shows(10));
        for (int k = 11; k <= 20; ++k) {
            media->NextFrame();
            EXPECT_TRUE(shows(k)) << "step to " << k;
        }
        for (int k = 19; k >= 16; --k) {
            media->PreviousFrame();
            EXPECT_TRUE(shows(k)) << "step back to " << k;
        }
        media->CloseSources();
    }
}

// The same second steps through the renderers the main window uses (the preview renderer
// presenting to a surface, the sound renderer as the clock): the picture presented and the
// frame bitmap are both the frame of the timecode.
TEST(NavigationStepsInTheWindow, PresentedPictureIsTheFrameOfTheTimecode) {
    registerFilters();
    mf::FilterMapper::instance().RegisterFilter(outside::videoRendererRegistration());
    TFilterComponent preview(outside::CLSID_PreviewRenderer, "Video Renderer");
    TFilterComponent sound(mf::CLSID_DSoundRender, "Default DirectSound Device");
    TBuilderEnvironment env;
    env.HaaliInstalled = true;
    env.PreviewRenderer = &preview;
    env.SharedAudioRender = &sound;
    PresentedPicture surface;
    const std::string path = mediaPath("mpeg2_16x9.mpg");
    {
        TMediaSystem media;
        media.SetVideoWindow(&preview);
        TGrabBuilder builder(path, env);
        ASSERT_FALSE(builder.Failed);
        ASSERT_FALSE(builder.VideoSources.empty() || builder.AudioSources.empty());
        media.FrameDuration = 400000;
        ASSERT_TRUE(media.SelectSources(builder.VideoSources[0], builder.AudioSources[0]));
        auto* window = dynamic_cast<mf::IVideoWindow*>(preview.Filter());
        ASSERT_NE(window, nullptr);
        window->put_Owner(&surface);
        window->put_Visible(true);
        ASSERT_TRUE(media.SetPosition(0));
        EXPECT_TRUE(surface.shows(path, 0));
        media.NextSecond();
        EXPECT_EQ(FormatTimecode(media.GetPosition(), media.FrameDuration), "0:00:01:00");
        EXPECT_TRUE(surface.shows(path, 25));
        TFrameBitmap frame;
        media.CopyCurrentFrame(frame);
        EXPECT_TRUE(sptest::showsFrame(
            path, 25, {frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4, false}));
        window->put_Owner(nullptr);
        media.CloseSources();
    }
}

} // namespace
} // namespace sp

namespace sp {
namespace {

// sharp_one.mp4 blurs every frame by motion except frames 12 and 30: the sharpest frame near
// a position is the sharp one within the radius, on either side, and otherwise a frame that
// stays within the radius (and the file), never the sharp one beyond it.
TEST_F(NavigationSteps, SharpestFrameNearIsTheSharpOneWithinTheRadius) {
    ASSERT_TRUE(open("sharp_one.mp4", false));
    const int64_t frame = media->FrameDuration;
    struct Case {
        int from, radius, lowest, highest, expected; // expected -1: any frame within
    };
    const Case cases[] = {{10, 5, 5, 15, 12}, {33, 5, 28, 38, 30}, {24, 3, 21, 27, -1},
                          {2, 5, 0, 7, -1},   {47, 5, 42, 49, -1}, {12, 0, 12, 12, 12},
                          {26, 4, 22, 30, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE("from frame " + std::to_string(c.from) + ", radius " +
                     std::to_string(c.radius));
        media->SetPosition(c.from * frame);
        const auto sharp = media->SharpestFrameNear(c.radius);
        ASSERT_TRUE(sharp);
        const int64_t index = sharp->position / frame;
        EXPECT_EQ(sharp->position % frame, 0);
        EXPECT_EQ(media->GetPosition(), sharp->position);
        EXPECT_GE(index, c.lowest);
        EXPECT_LE(index, c.highest);
        if (c.expected >= 0) {
            EXPECT_EQ(index, c.expected);
        }
        EXPECT_TRUE(shows(int(index)));
    }
    media->CloseSources();
    EXPECT_FALSE(media->SharpestFrameNear(5)); // nothing to look at
}

} // namespace
} // namespace sp
