// Full-HD files, whose pictures fill the superposer's canvas: the decoder hands them over top row
// first and the superposer passes them on as they are. The frame bitmap (what a grab saves) must
// still be the frame the ffmpeg command line shows at each position, turned when a flip is on,
// the stream description must give the real height, and what the window is shown must be the
// frame bitmap's picture.

#include "media/media_system.h"

#include "filters/frame_bitmap.h"
#include "filters/stream_info.h"
#include "filters/superposer.h"
#include "media/grab_builder.h"
#include "platform/outside/video_renderer.h"

#include "media_test_support.h"
#include "support/ffmpeg_reference.h"
#include "support/gui_application.h"

#include <QCoreApplication>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sp {
namespace {

using namespace mediatest;

// Keeps a copy of the last picture the preview renderer presented, as the video window does.
class LastPresented final : public mf::IPresentationSurface {
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
    // Byte-equal to the frame's picture.
    bool equals(const TFrameBitmap& frame) {
        std::lock_guard lock(mutex_);
        return width_ == frame.Width() && height_ == frame.Height() &&
               std::memcmp(pixels_.data(), frame.Bits(), pixels_.size()) == 0;
    }

private:
    std::mutex mutex_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

class WidePictureChain : public ::testing::Test {
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
    bool open(const std::string& file) {
        path = mediaPath(file);
        times = sptest::ffprobeFrameTimes(path);
        builders.push_back(std::make_unique<TGrabBuilder>(path, environment.env));
        TGrabBuilder* b = builders.back().get();
        if (b->Failed || b->VideoSources.empty() || times.size() < 8) return false;
        media->FrameDuration = 400000;
        return media->SelectSources(b->VideoSources[0], nullptr) && media->SetPosition(0);
    }
    // The frame bitmap, viewed with its rows read bottom-up when `turned` (a vertical flip).
    ::testing::AssertionResult shows(int index, bool turned = false) {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        const sptest::PictureView view{frame.Bits(), frame.Width(), frame.Height(),
                                       frame.Width() * 4, turned};
        return sptest::showsFrame(path, index, view);
    }
    bool decodedTopDown() {
        mf::MediaType type;
        media->Superposer()->input()->ConnectionMediaType(&type);
        const auto header = type.bitmapHeader();
        return header && header->biHeight < 0;
    }

    Environment environment;
    std::unique_ptr<TMediaSystem> media;
    std::vector<std::unique_ptr<TGrabBuilder>> builders;
    std::string path;
    std::vector<int64_t> times;
};

TEST_F(WidePictureChain, SeeksShowTheExactFramesAndTheDescriptionHasTheRealHeight) {
    for (const char* file : {"h264_1080p.mp4", "mpeg2_1080_422.mpg"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(open(file));
        EXPECT_TRUE(decodedTopDown());
        EXPECT_EQ(CopyTvData().Height, 1080);
        EXPECT_EQ(CopyTvData().Width, 1920);
        EXPECT_TRUE(shows(0));
        for (size_t i : {times.size() / 2, size_t(3), times.size() - 1}) {
            ASSERT_TRUE(media->SetPosition(times[i] + 7));
            EXPECT_TRUE(shows(int(i))) << "frame " << i;
        }
        media->CloseSources();
    }
}

TEST_F(WidePictureChain, FlipsTurnThePictureAndClearingThemPassesItOnAgain) {
    ASSERT_TRUE(open("h264_1080p.mp4"));
    media->FlipVertical(true);
    ASSERT_TRUE(media->SetPosition(times[5]));
    EXPECT_TRUE(shows(5, true));
    media->FlipVertical(false);
    ASSERT_TRUE(media->SetPosition(times[9]));
    EXPECT_TRUE(shows(9));
    ASSERT_TRUE(media->SetPosition(times[4]));
    EXPECT_TRUE(shows(4));
}

// Through the real preview renderer: the picture presented is the frame bitmap's, byte for
// byte, after a seek and after playing to the end.
TEST(WidePictureChainInTheWindow, TheWindowIsShownTheFrameBitmapsPicture) {
    registerFilters();
    mf::FilterMapper::instance().RegisterFilter(outside::videoRendererRegistration());
    TFilterComponent preview(outside::CLSID_PreviewRenderer, "Video Renderer");
    TBuilderEnvironment env;
    env.HaaliInstalled = true;
    env.PreviewRenderer = &preview;
    LastPresented surface;
    const std::string path = mediaPath("h264_1080p.mp4");
    const std::vector<int64_t> times = sptest::ffprobeFrameTimes(path);
    ASSERT_GT(times.size(), 20u);
    TMediaSystem media;
    media.SetVideoWindow(&preview);
    TGrabBuilder builder(path, env);
    ASSERT_FALSE(builder.Failed || builder.VideoSources.empty());
    media.FrameDuration = 400000;
    ASSERT_TRUE(media.SelectSources(builder.VideoSources[0], nullptr));
    auto* window = dynamic_cast<mf::IVideoWindow*>(preview.Filter());
    ASSERT_NE(window, nullptr);
    window->put_Owner(&surface);
    window->put_Visible(true);
    auto framePicture = [&] {
        auto frame = std::make_unique<TFrameBitmap>();
        media.CopyCurrentFrame(*frame);
        return frame;
    };
    ASSERT_TRUE(media.SetPosition(times[12]));
    auto frame = framePicture();
    EXPECT_TRUE(surface.equals(*frame));
    EXPECT_TRUE(sptest::showsFrame(
        path, 12, {frame->Bits(), frame->Width(), frame->Height(), frame->Width() * 4, false}));

    bool ended = false;
    media.MaxSpeed = 1;
    media.SetCompletionHandler([&](mf::IFilterGraph*) { ended = true; });
    media.Play();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ended && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(ended);
    media.Pause();
    frame = framePicture();
    EXPECT_TRUE(surface.equals(*frame));
    EXPECT_TRUE(sptest::showsFrame(
        path, int(times.size()) - 1,
        {frame->Bits(), frame->Width(), frame->Height(), frame->Width() * 4, false}));
    media.SetCompletionHandler(nullptr);
    window->put_Owner(nullptr);
    media.CloseSources();
}

} // namespace
} // namespace sp
