#include "media/media_system.h"

#include "filters/frame_bitmap.h"
#include "filters/notifier.h"
#include "filters/scenes.h"
#include "filters/superposer.h"
#include "media/grab_builder.h"
#include "platform/graph/message_target.h"
#include "platform/system/qt_message_target.h"

#include "media_test_support.h"
#include "support/gui_application.h"
#include "support/recording_target.h"
#include "support/reference_frames.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace sp {
namespace {

using namespace mediatest;
using namespace mf;

using RecordingTarget = sptest::RecordingTarget<>;

class MediaSystem : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    void SetUp() override {
        target = std::make_shared<RecordingTarget>();
        setMainWindowTarget(target);
        makeMedia();
    }
    void makeMedia(int32_t maxWidth = 736, int32_t maxHeight = 576) {
        media.reset();
        media = std::make_unique<TMediaSystem>(maxWidth, maxHeight);
        media->SetVideoWindow(&environment.preview);
        media->audiorender.SetMoniker(make<Moniker>(sptest::describeFilter(
            CLSID_TestSound, "Default DirectSound Device", MERIT_NORMAL, {}, [] {
                MediaType pcm;
                pcm.majortype = MEDIATYPE_Audio;
                pcm.subtype = MEDIASUBTYPE_PCM;
                return ComPtr<IBaseFilter>(make<sptest::TestSink>(pcm));
            })));
    }
    void TearDown() override {
        media->CloseSources();
        media.reset();
        builders.clear();
        setMainWindowTarget(nullptr);
    }
    // The builder lives until the end of the test, as the main window's cache keeps it.
    TGrabBuilder* open(const char* file, bool withAudio = true) {
        builders.push_back(std::make_unique<TGrabBuilder>(mediaPath(file), environment.env));
        TGrabBuilder* b = builders.back().get();
        EXPECT_FALSE(b->Failed) << file;
        if (b->Failed || b->VideoSources.empty()) return b;
        EXPECT_TRUE(media->SelectSources(b->VideoSources[0], withAudio && !b->AudioSources.empty()
                                                                 ? b->AudioSources[0]
                                                                 : nullptr))
            << file;
        return b;
    }
    sptest::Signature currentPicture() {
        TFrameBitmap frame;
        media->CopyCurrentFrame(frame);
        std::lock_guard lock(frame);
        return sptest::signatureOf(frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4,
                                   false);
    }
    void waitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done() && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    Environment environment;
    std::shared_ptr<RecordingTarget> target;
    std::unique_ptr<TMediaSystem> media;
    std::vector<std::unique_ptr<TGrabBuilder>> builders;
};

TEST_F(MediaSystem, PausedSeekGivesTheFrameOnScreenOnEveryContainer) {
    for (const char* file :
         {"avi_mjpeg.avi", "mpeg1.mpg", "mpeg2_16x9.mpg", "dvd.vob", "mpeg2.ts", "camera.MTS",
          "h264.mkv", "h264.mp4", "wmv8.wmv", "avi_dv_type1.avi", "avi_dv_type2.avi", "raw.dv"}) {
        const std::string path = mediaPath(file);
        const auto times = sptest::ffprobeFrameTimes(path);
        ASSERT_GT(times.size(), 10u) << file;
        open(file);
        ASSERT_EQ(media->GetGraphState(), 2) << file;
        const int64_t last = times.back();
        for (int64_t t : {last / 2 + 12345, int64_t(400000 * 7), last / 3, int64_t(0)}) {
            ASSERT_TRUE(media->SetPosition(t)) << file << " at " << t;
            EXPECT_TRUE(showsFrameAt(*media, path, times, t)) << file;
        }
        media->CloseSources();
    }
}

// Without a reference clock (maximum speed) a paused seek must still bring the picture of
// its target, not leave the first one on screen.
TEST_F(MediaSystem, PausedSeekAtMaximumSpeedGivesTheFrameOnScreen) {
    for (const char* file : {"camera.MTS", "avchd.m2ts", "mpeg1.mpg", "h264.mp4"}) {
        const std::string path = mediaPath(file);
        const auto times = sptest::ffprobeFrameTimes(path);
        ASSERT_GT(times.size(), 10u) << file;
        open(file);
        ASSERT_TRUE(media->Seek(0)) << file;
        media->SetMaxSpeed(1);
        media->DisconnectAudio();
        ASSERT_TRUE(media->Seek(0)) << file;
        const int64_t last = times.back();
        for (int64_t t : {int64_t(10'000'000), last / 2, int64_t(400000 * 7), int64_t(0)}) {
            ASSERT_TRUE(media->SetPosition(t)) << file << " at " << t;
            EXPECT_TRUE(showsFrameAt(*media, path, times, t)) << file << " at " << t;
        }
        media->SetMaxSpeed(0);
        media->CloseSources();
    }
}

TEST_F(MediaSystem, PositionsAreClampedAndStepsStayInside) {
    open("mpeg2_16x9.mpg");
    ASSERT_GT(media->Duration, 0);
    media->SetPosition(-1);
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    media->PreviousFrame();
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    media->SetPosition(media->Duration + 1);
    EXPECT_EQ(TMediaSystem::LastPosition, media->Duration);
    media->SetPosition(media->Duration - 300000000);
    media->NextMinute();
    EXPECT_EQ(TMediaSystem::LastPosition, media->Duration);
    media->SetPositionFromText("0:00:02:05");
    EXPECT_EQ(TMediaSystem::LastPosition, 22000000);
    media->SetPositionFromText("abc");
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    EXPECT_TRUE(media->ConnectVideo(media->CurrentVideo)); // already current: nothing rebuilt
}

TEST_F(MediaSystem, WithoutStreamsPositionsAreOnlyRemembered) {
    media->Duration = 100000000;
    EXPECT_TRUE(media->SetPosition(50000000));
    EXPECT_EQ(TMediaSystem::LastPosition, 50000000);
    EXPECT_EQ(media->GetGraphState(), 1);
}

TEST_F(MediaSystem, ScenesStepToTheirStartFrames) {
    open("mpeg2_16x9.mpg");
    TSceneList scenes;
    EXPECT_TRUE(media->NextScene(scenes));
    EXPECT_EQ(TMediaSystem::LastPosition, media->Duration);
    EXPECT_TRUE(media->PreviousScene(scenes));
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    for (int frame : {10, 40, 70})
        scenes.Add(TScene{{}, frame, 0});
    media->SetPosition(15 * 400000);
    media->NextScene(scenes);
    EXPECT_EQ(TMediaSystem::LastPosition, 40 * 400000);
    media->PreviousScene(scenes);
    EXPECT_EQ(TMediaSystem::LastPosition, 10 * 400000);
    media->PreviousScene(scenes); // at the first scene: back to the start
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
}

TEST_F(MediaSystem, EndOfStreamRewindsAndPostsOnce) {
    media->MaxSpeed = 1;
    open("h264.mkv");
    EXPECT_FALSE(media->HasAudio()); // no audio chain at maximum speed
    media->SetPosition(media->Duration - 10000000);
    auto started = std::chrono::steady_clock::now();
    media->Play();
    waitFor([&] { return target->count(WM_END_OF_MEDIA) > 0; });
    media->Pause(); // what the main window does on the message
    EXPECT_EQ(target->count(WM_END_OF_MEDIA), 1);
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    // One second of video at maximum speed takes well under a second.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    waitFor([] { return false; }, 300);
    EXPECT_EQ(target->count(WM_END_OF_MEDIA), 1);
}

TEST_F(MediaSystem, VolumeFollowsTheCurveOnlyWithAudio) {
    EXPECT_EQ(VolumeToHundredthsDb(0), -10000);
    EXPECT_EQ(VolumeToHundredthsDb(10000), 0);
    EXPECT_EQ(VolumeToHundredthsDb(5000), -752);
    media->SetVolume(5000);
    EXPECT_EQ(media->Volume(), 0); // no audio: nothing changes
    open("avi_mjpeg.avi");
    ASSERT_TRUE(media->HasAudio());
    media->SetVolume(5000);
    long volume = 0;
    media->graph.Graph()->get_Volume(&volume);
    EXPECT_EQ(volume, -752);
    media->SetVolume(20000);
    EXPECT_EQ(media->Volume(), 10000);
}

TEST_F(MediaSystem, DvNotifierTakesTheNativeAndAudioRoles) {
    TGrabBuilder* builder = open("avi_dv_type1.avi");
    ASSERT_TRUE(media->HasVideo());
    ASSERT_TRUE(media->HasAudio());
    auto* dv = static_cast<TDVCaptureDevice*>(builder->VideoSources[0]->Device);
    EXPECT_TRUE(dv->DVNotifier()->ReportNative);
    EXPECT_TRUE(dv->DVNotifier()->ReportAudio);
    EXPECT_FALSE(media->NativeNotifier()->ReportNative);
    EXPECT_TRUE(media->HasVideoNotifier());
    ASSERT_TRUE(media->SetPosition(0)); // waits until a frame has gone through
    // The recording date of the generated file reached the program-wide description.
    EXPECT_TRUE(CopyTvData().RecDateValid);
}

TEST_F(MediaSystem, ClosingAndReopeningRebuildsTheChains) {
    for (int round = 0; round < 3; ++round) {
        open("mpeg2.ts");
        EXPECT_TRUE(media->HasVideo());
        EXPECT_TRUE(media->CloseSources());
        EXPECT_FALSE(media->HasVideo());
        EXPECT_FALSE(media->HasAudio());
        std::vector<ComPtr<IBaseFilter>> filters;
        media->graph.Graph()->EnumFilters(&filters);
        EXPECT_TRUE(filters.empty()) << filters.size() << " filters left";
    }
}

// Fails the whole program when the guarded code has not finished in time (a deadlock would
// otherwise hang the test run).
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, const char* what)
        : thread_([this, limit, what] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fprintf(stderr, "watchdog: %s\n", what);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::jthread thread_; // last: starts when the rest is ready, joins first
};

TEST_F(MediaSystem, SeekingOrStoppingWhileAGrabWaitsForTheMainWindowGoesOn) {
    // The main window's real target: a grab message waits until this thread handles events,
    // and this thread seeks and stops without handling any in between.
    int grabs = 0;
    auto window = std::make_shared<QtMessageTarget>([&](uint32_t msg, uintptr_t, intptr_t l) {
        if (msg == WM_GRAB_FRAME) {
            TFrameBitmap copy;
            reinterpret_cast<TFrameBitmap*>(l)->CopyTo(copy);
            ++grabs;
        }
        return intptr_t(0);
    });
    setMainWindowTarget(window);
    Watchdog watchdog(std::chrono::seconds(60), "a seek or a stop waited for a grab message");
    media->MaxSpeed = 1;
    open("h264.mkv", false);
    media->SetGrabPeriod(400000); // every frame
    auto handleEventsFor = [](int ms) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents();
    };
    auto leaveAGrabWaiting = [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); };
    for (int round = 0; round < 6; ++round) {
        media->Play();
        handleEventsFor(30);
        leaveAGrabWaiting();
        ASSERT_TRUE(media->SetPosition(int64_t(round) * 4000000));
        handleEventsFor(30);
        leaveAGrabWaiting();
        media->Stop();
        QCoreApplication::processEvents(); // what was called off does nothing now
    }
    media->SetGrabPeriod(0);
    EXPECT_GT(grabs, 0);
}

TEST_F(MediaSystem, TheEmptyBuilderStandsForNoFileAndLoadsAsNoStreams) {
    const TGrabBuilder empty;
    EXPECT_TRUE(empty.Failed);
    EXPECT_EQ(empty.Caption, "No video file");
    EXPECT_TRUE(empty.FileName.empty());
    EXPECT_TRUE(empty.VideoSources.empty());
    EXPECT_TRUE(empty.AudioSources.empty());
    EXPECT_EQ(empty.Device(), nullptr);
    // What loading it amounts to: the sentinels, and a seek that settles at once.
    EXPECT_TRUE(media->SelectSources(&NoVideo(), &NoAudio()));
    EXPECT_FALSE(media->HasVideo());
    EXPECT_TRUE(media->Seek(0));
}

TEST_F(MediaSystem, BothDecoderFlagsFollowWhatCanBeCreated) {
    media->DetectInstalledDecoders();
    EXPECT_TRUE(media->VideoDecoderInstalled);
    EXPECT_TRUE(media->AudioDecoderInstalled);
    FilterMapper::instance().UnregisterFilter(CLSID_LegacyAmFilterCategory,
                                              CLSID_FfdshowAudioDecoder);
    media->DetectInstalledDecoders();
    registerFilters(); // back for the other tests
    EXPECT_TRUE(media->VideoDecoderInstalled);
    EXPECT_FALSE(media->AudioDecoderInstalled);
}

TEST_F(MediaSystem, TheNextFileStartsAtItsOwnBeginning) {
    open("mpeg2_16x9.mpg");
    ASSERT_TRUE(media->SetPosition(20000000));
    // Stopped, the picture stays; closed, it goes with the file.
    media->Stop();
    TFrameBitmap frame;
    media->CopyCurrentFrame(frame);
    EXPECT_FALSE(frame.Empty());
    ASSERT_TRUE(media->CloseSources());
    media->CopyCurrentFrame(frame);
    EXPECT_TRUE(frame.Empty());
    EXPECT_EQ(TMediaSystem::LastPosition, 0);
    open("h264.mkv");
    ASSERT_TRUE(media->Seek(0)); // what the main window does after loading
    EXPECT_EQ(media->GetPosition(), 0);
    EXPECT_EQ(media->Superposer()->TimeBase, 0);
    // A seek counts its samples from its target, not from the last position set.
    ASSERT_TRUE(media->SetPosition(20000000));
    ASSERT_TRUE(media->Seek(8000000));
    EXPECT_EQ(media->Superposer()->TimeBase, 8000000);
}

TEST_F(MediaSystem, InactiveGraphsMakeEveryStepFailInsteadOfCrashing) {
    builders.push_back(std::make_unique<TGrabBuilder>(mediaPath("avi_mjpeg.avi"), environment.env));
    TGrabBuilder* avi = builders.back().get();
    builders.push_back(std::make_unique<TGrabBuilder>(mediaPath("raw.dv"), environment.env));
    TGrabBuilder* dv = builders.back().get();
    ASSERT_FALSE(avi->AudioSources.empty());
    ASSERT_FALSE(dv->VideoSources.empty());
    media->graph.Deactivate();
    EXPECT_FALSE(media->SelectSources(nullptr, avi->AudioSources[0]));
    media->graph.Deactivate();
    EXPECT_FALSE(media->ConnectVideo(dv->VideoSources[0]));
    TGraphComponent off;
    for (TCaptureDevice* device : {avi->Device(), dv->Device(), dv->VideoSources[0]->Device})
        EXPECT_FALSE(device->AddToGraph(off)) << BuilderClassName(device);
    media->ResetGraph();
}

TEST_F(MediaSystem, ABuilderJoinsTheGraphThatReplacedItsOwn) {
    for (const char* file : {"avi_mjpeg.avi", "h264.mkv", "raw.dv"}) {
        builders.push_back(std::make_unique<TGrabBuilder>(mediaPath(file), environment.env));
        TCaptureDevice* device = builders.back()->Device();
        ASSERT_TRUE(device && device->AddToGraph(media->graph)) << file;
        media->ResetGraph(); // what follows a failed chain build
        ASSERT_TRUE(device->AddToGraph(media->graph)) << file;
        std::vector<ComPtr<IBaseFilter>> filters;
        media->graph.Graph()->EnumFilters(&filters);
        EXPECT_TRUE(std::any_of(filters.begin(), filters.end(),
                                [&](const ComPtr<IBaseFilter>& f) {
                                    return sameObject(f.get(), device->OutputFilter.get());
                                }))
            << file << ": the output filter is not in the new graph";
        device->RemoveFromGraph();
        media->ResetGraph();
    }
}

TEST_F(MediaSystem, AWaitEndsWhenAHandlerReplacesTheGraph) {
    open("mpeg2_16x9.mpg");
    bool replaced = false;
    media->ProcessMessages = [&] {
        if (replaced) return;
        replaced = true;
        media->CloseSources(); // a new file being opened from an event
        media->ResetGraph();
    };
    EXPECT_FALSE(media->SetPosition(20000000));
    EXPECT_TRUE(replaced);
    media->ProcessMessages = [] { QCoreApplication::processEvents(); };
}

TEST_F(MediaSystem, AStillDrawnAgainAfterPlayKeepsItsPosition) {
    open("mpeg2_16x9.mpg");
    media->Play();
    waitFor([&] { return media->GetPosition() >= 10000000; });
    media->Pause();
    waitFor([] { return false; }, 300);
    const int64_t shown = media->Superposer()->CurrentTime;
    ASSERT_GE(shown, 10000000);
    const sptest::Signature picture = currentPicture();
    // A flip or inlay change redraws the still; so does a clock change while paused.
    for (const char* change : {"refresh", "clock"}) {
        if (std::string(change) == "refresh")
            media->RefreshStill();
        else
            media->SetMaxSpeed(1);
        waitFor([] { return false; }, 500);
        EXPECT_NEAR(double(media->Superposer()->CurrentTime), double(shown), 400000.0) << change;
        EXPECT_EQ(TMediaSystem::LastPosition, shown) << change;
        EXPECT_LE(sptest::signatureDistance(currentPicture(), picture), 6) << change;
    }
    media->SetMaxSpeed(0);
}

TEST_F(MediaSystem, TheCanvasStartsAtTheSizeGivenAndTheImageNumberReachesTheInlay) {
    auto canvas = [&] {
        MediaType out;
        media->Superposer()->output()->ConnectionMediaType(&out);
        if (auto vih2 = out.formatAs<VIDEOINFOHEADER2>())
            return std::pair(vih2->bmiHeader.biWidth, std::abs(vih2->bmiHeader.biHeight));
        auto vih = out.formatAs<VIDEOINFOHEADER>();
        return vih ? std::pair(vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight))
                   : std::pair(0, 0);
    };
    makeMedia(1024, 768);
    open("avi_mjpeg.avi", false);
    EXPECT_EQ(canvas(), std::pair(1024, 768));
    media->CloseSources();
    makeMedia(-5, 0); // damaged settings: the defaults
    open("avi_mjpeg.avi", false);
    EXPECT_EQ(canvas(), std::pair(736, 576));

    media->SetImageNumber(12, 6);
    EXPECT_EQ(media->Superposer()->SampleValues().ImageNumber, 12);
    EXPECT_EQ(media->Superposer()->SampleValues().Digits, 6);
}

// Containers outside the builders' table reach the generic builder, whose general splitter
// claims every file libavformat reads: each plays and seeks to the exact frame through the
// whole graph, with its sound.
TEST_F(MediaSystem, EveryContainerFFmpegReadsOpensThroughTheGeneralSplitter) {
    for (const char* file : {"webm_vp9.webm", "flv_h263.flv", "ogv_theora.ogv", "mxf_mpeg2.mxf",
                             "raw_yuv.y4m", "mobile.3gp"}) {
        const std::string path = mediaPath(file);
        const auto times = sptest::ffprobeFrameTimes(path);
        ASSERT_GT(times.size(), 10u) << file;
        TGrabBuilder* builder = open(file);
        ASSERT_FALSE(builder->Failed) << file;
        EXPECT_STREQ(BuilderClassName(builder->Device()), "TFileUnknownCaptureDevice") << file;
        ASSERT_EQ(builder->VideoSources.size(), 1u) << file;
        EXPECT_EQ(builder->AudioSources.size(), std::string(file) == "raw_yuv.y4m" ? 0u : 1u)
            << file;
        EXPECT_EQ(media->HasAudio(), !builder->AudioSources.empty()) << file;
        const int64_t last = times.back();
        for (int64_t t : {int64_t(400000 * 7), last / 2 + 12345, int64_t(0)}) {
            ASSERT_TRUE(media->SetPosition(t)) << file << " at " << t;
            EXPECT_TRUE(showsFrameAt(*media, path, times, t)) << file;
        }
        media->CloseSources();
    }
}

TEST_F(MediaSystem, SoundFilesLoadWithOneAudioSourceAndNoVideo) {
    for (const char* file : {"audio_only.mp3", "tone.wav", "tone.flac"}) {
        builders.push_back(std::make_unique<TGrabBuilder>(mediaPath(file), environment.env));
        TGrabBuilder* builder = builders.back().get();
        ASSERT_FALSE(builder->Failed) << file;
        EXPECT_TRUE(builder->VideoSources.empty()) << file;
        ASSERT_EQ(builder->AudioSources.size(), 1u) << file;
        ASSERT_TRUE(media->SelectSources(&NoVideo(), builder->AudioSources[0])) << file;
        EXPECT_TRUE(media->HasAudio()) << file;
        EXPECT_FALSE(media->HasVideo()) << file;
        EXPECT_GT(media->Duration, 15000000) << file;
        EXPECT_TRUE(media->SetPosition(10000000)) << file;
        media->CloseSources();
    }
}

} // namespace
} // namespace sp
