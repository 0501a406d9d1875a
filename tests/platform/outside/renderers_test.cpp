#include "platform/graph/clock.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/outside/audio_renderer.h"
#include "platform/outside/null_renderer.h"
#include "platform/outside/renderers_registration.h"
#include "platform/outside/video_renderer.h"

#include "support/graph_state.h"
#include "support/pcm_source.h"
#include "support/test_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

using namespace mf;
using namespace sp::outside;
using namespace sptest;

namespace {

using WallClock = std::chrono::steady_clock;
constexpr REFERENCE_TIME kFrame = 400000;      // 25 pictures per second
constexpr REFERENCE_TIME kAudioBlock = 200000; // 20 ms of sound per sample
constexpr REFERENCE_TIME kHour = 36000000000;

double secondsSince(WallClock::time_point start) {
    return std::chrono::duration<double>(WallClock::now() - start).count();
}

// A source connected straight to a renderer in a real graph.
struct Playback {
    ComPtr<FilterGraph> graph = make<FilterGraph>();

    // With `middle`, the source feeds it and it feeds the renderer.
    Playback(IBaseFilter* source, IPin* out, BaseRenderer* renderer,
             TransformFilter* middle = nullptr) {
        graph->AddFilter(source, "source");
        graph->AddFilter(renderer, "renderer");
        if (middle) {
            graph->AddFilter(middle, "middle");
            connected = graph->ConnectDirect(out, middle->input(), nullptr);
            if (FAILED(connected)) return;
            out = middle->output();
        }
        connected = graph->ConnectDirect(out, renderer->input(), nullptr);
    }
    // Pauses and waits until the renderer has cued a sample.
    HRESULT pauseAndSettle() {
        graph->Pause();
        return sptest::settleGraph(*graph, 500);
    }
    // Counts EC_COMPLETE events until none arrives for `quietMs`.
    int completions(int firstWaitMs, int quietMs = 300) {
        int count = 0;
        long code = 0;
        intptr_t p1, p2;
        uint32_t wait = uint32_t(firstWaitMs);
        while (graph->GetEvent(&code, &p1, &p2, wait) == S_OK) {
            if (code == EC_COMPLETE) {
                ++count;
                wait = uint32_t(quietMs);
            }
        }
        return count;
    }
    // Runs until the first EC_COMPLETE; seconds taken, or a negative value when it never came.
    double runToCompletion(int timeoutMs = 30000) {
        auto start = WallClock::now();
        graph->Run();
        long code = 0;
        intptr_t p1, p2;
        while (graph->GetEvent(&code, &p1, &p2, uint32_t(timeoutMs)) == S_OK)
            if (code == EC_COMPLETE) return secondsSince(start);
        return -1;
    }

    HRESULT connected;
};

// The sound driver a test asks for must decide, so a driver chosen in the environment
// (SDL_AUDIODRIVER, which SDL lets win) is set aside for these tests.
class SoundRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* driver = std::getenv("SDL_AUDIODRIVER")) savedDriver_ = driver;
        unsetenv("SDL_AUDIODRIVER");
    }
    void TearDown() override {
        if (savedDriver_) setenv("SDL_AUDIODRIVER", savedDriver_->c_str(), 1);
    }

    // 20 ms blocks of a 440 Hz tone, timed `blockDuration` apart.
    static ComPtr<PayloadSource> tone(int blocks, REFERENCE_TIME blockDuration = kAudioBlock) {
        constexpr int framesPerBlock = 960; // 20 ms at 48 kHz
        return make<PayloadSource>(makePcmType(48000, 2), blocks, blockDuration, framesPerBlock * 4,
                                   pcmSine(48000, 2, framesPerBlock, 440, 12000));
    }

private:
    std::optional<std::string> savedDriver_;
};

// Passes samples on and attaches `type` to the one whose frame index is `at`, as a decoder
// does when the picture size or the sound format changes in the stream.
class TypeSwitcher final : public TransInPlaceFilter {
public:
    TypeSwitcher(int at, MediaType type)
        : TransInPlaceFilter("Type Switcher", CLSID_TestPassThrough), at_(at),
          type_(std::move(type)) {}
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(IMediaSample* sample) override {
        if (frameIndexOf(sample) == at_) sample->SetMediaType(&type_);
        return S_OK;
    }

private:
    int at_;
    MediaType type_;
};

bool opensDevice(const std::string& driver) {
    auto renderer = make<AudioRenderer>(driver);
    renderer->SetMediaType(makePcmType(44100, 2));
    renderer->Pause();
    bool open = renderer->deviceOpen();
    renderer->Stop();
    return open;
}

} // namespace

// Null renderer ------------------------------------------------------------------------------

TEST(NullRenderer, CuesWhilePausedKeepsTimeCompletesOnceAndRunsFastWithoutAClock) {
    auto source = make<TimedSource>(testCompressedType(8, 8, kFrame), 10, kFrame);
    auto renderer = make<NullRenderer>();
    Playback play(source.get(), source->pin(), renderer.get());
    ASSERT_EQ(play.connected, S_OK);

    EXPECT_EQ(play.pauseAndSettle(), S_OK);
    EXPECT_EQ(renderer->samplesRendered(), 0); // cued, not yet rendered
    EXPECT_GE(play.runToCompletion(), 0.3);    // ten frames of 40 ms on the clock
    EXPECT_EQ(play.completions(0), 0);
    EXPECT_EQ(renderer->samplesRendered(), 10);

    play.graph->Stop();
    play.graph->RemoveFilter(renderer.get());
    // 500 frames of an hour each: on a clock they would take three weeks; without one they
    // come as fast as they are made (runToCompletion gives up after 30 s).
    auto longer = make<TimedSource>(testCompressedType(8, 8, kHour), 500, kHour);
    Playback fast(longer.get(), longer->pin(), renderer.get());
    ASSERT_EQ(fast.graph->SetSyncSource(nullptr), S_OK);
    EXPECT_GE(fast.runToCompletion(), 0.0);
    EXPECT_EQ(renderer->samplesRendered(), 510);
}

// Registration -------------------------------------------------------------------------------

TEST(RendererRegistration, SoundRendererListedAsAudioDeviceNullRendererNeverPicked) {
    registerOutsideRenderers();
    struct Unregister {
        ~Unregister() {
            auto& mapper = FilterMapper::instance();
            mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_NullRenderer);
            mapper.UnregisterFilter(CLSID_AudioRendererCategory, CLSID_DSoundRender);
            mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_DSoundRender);
        }
    } cleanup;
    auto& mapper = FilterMapper::instance();

    auto devices = mapper.EnumCategory(CLSID_AudioRendererCategory);
    ASSERT_EQ(devices.size(), 1u);
    std::string name;
    devices[0]->ReadProperty("FriendlyName", &name);
    EXPECT_EQ(name, "Default DirectSound Device");
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(devices[0]->BindToObject(&filter), S_OK);
    GUID clsid;
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_DSoundRender);
    EXPECT_TRUE(query<IBasicAudio>(filter));

    ComPtr<IBaseFilter> null;
    ASSERT_EQ(mapper.CreateFilter(CLSID_NullRenderer, &null), S_OK);
    FilterInfo info;
    null->QueryFilterInfo(&info);
    EXPECT_EQ(info.name, "Null Renderer");

    // Intelligent connection meets the sound renderer once for PCM, the null renderer never.
    MediaType types[] = {makePcmType(48000, 2), makeRgb32Type(8, 8, kFrame)};
    auto pcm = mapper.CandidatesForInput(std::span(types, 1), MERIT_DO_NOT_USE + 1);
    EXPECT_EQ(std::count_if(pcm.begin(), pcm.end(),
                            [](const auto& reg) { return reg.clsid == CLSID_DSoundRender; }),
              1);
    for (const auto& reg : mapper.CandidatesForInput(types, MERIT_DO_NOT_USE + 1))
        EXPECT_NE(reg.clsid, CLSID_NullRenderer);

    // Rendering a PCM pin ends in the sound renderer.
    auto source = make<PayloadSource>(makePcmType(48000, 2), 1, kAudioBlock, 3840,
                                      [](int, std::span<uint8_t>) {});
    auto graph = make<FilterGraph>();
    graph->AddFilter(source.get(), "source");
    EXPECT_EQ(graph->Render(source->pin()), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(source->pin()->ConnectedTo(&peer), S_OK);
    PinInfo pinInfo;
    peer->QueryPinInfo(&pinInfo);
    pinInfo.filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_DSoundRender);
}

// Sound renderer: formats, volume, the ring ------------------------------------------------

TEST(SoundFormats, AcceptsPlayablePcmOnly) {
    for (uint16_t bits : {8, 16})
        for (uint16_t channels = 1; channels <= 8; ++channels)
            EXPECT_TRUE(pcmFormatOf(makePcmType(44100, channels, bits))) << bits << " " << channels;
    EXPECT_FALSE(pcmFormatOf(makePcmType(44100, 2, 24)));
    EXPECT_FALSE(pcmFormatOf(makePcmType(44100, 9)));
    EXPECT_FALSE(pcmFormatOf(makePcmType(44100, 0)));
    EXPECT_FALSE(pcmFormatOf(makePcmType(0, 2)));

    MediaType wrong = makePcmType(48000, 2);
    WAVEFORMATEX wfx = *wrong.formatAs<WAVEFORMATEX>();
    wfx.nBlockAlign = 2; // disagrees with two 16-bit channels
    wrong.setFormat(wfx);
    EXPECT_FALSE(pcmFormatOf(wrong));

    MediaType shortBlock = makePcmType(48000, 2);
    shortBlock.format.resize(10);
    EXPECT_FALSE(pcmFormatOf(shortBlock));
    MediaType otherSubtype = makePcmType(48000, 2);
    otherSubtype.subtype = MEDIASUBTYPE_DVD_LPCM_AUDIO;
    EXPECT_FALSE(pcmFormatOf(otherSubtype));

    auto renderer = make<AudioRenderer>("dummy");
    EXPECT_EQ(renderer->CheckMediaType(makePcmType(32000, 1, 8)), S_OK);
    EXPECT_NE(renderer->CheckMediaType(makeRgb32Type(8, 8, kFrame)), S_OK);
}

TEST(SoundVolume, StoredAndAppliedAsALinearGain) {
    EXPECT_EQ(volumeToGain(-10000), 0.0f);
    EXPECT_EQ(volumeToGain(0), 1.0f);
    EXPECT_NEAR(volumeToGain(-2000), 0.1f, 1e-6);
    EXPECT_NEAR(volumeToGain(-752), 0.4207f, 1e-3); // the media system's volume 5000

    std::vector<uint8_t> pcm16 = {0x00, 0x40, 0x00, 0xC0, 0xFF, 0x7F}; // 16384, -16384, 32767
    applyGain(pcm16, 16, volumeToGain(-600));
    int16_t s[3];
    std::memcpy(s, pcm16.data(), sizeof s);
    EXPECT_NEAR(s[0], 8211, 2);
    EXPECT_NEAR(s[1], -8211, 2);
    EXPECT_NEAR(s[2], 16422, 2);
    applyGain(pcm16, 16, volumeToGain(-10000));
    EXPECT_EQ(pcm16, std::vector<uint8_t>(6, 0));
    std::vector<uint8_t> pcm8 = {0, 128, 255};
    applyGain(pcm8, 8, 0.5f);
    EXPECT_EQ(pcm8, (std::vector<uint8_t>{64, 128, 192}));
    applyGain(pcm8, 8, 0.0f);
    EXPECT_EQ(pcm8, std::vector<uint8_t>(3, 128));

    auto renderer = make<AudioRenderer>("dummy");
    EXPECT_EQ(renderer->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(renderer->put_Volume(-10001), E_INVALIDARG);
    auto graph = make<FilterGraph>();
    graph->AddFilter(renderer.get(), "sound");
    EXPECT_EQ(graph->put_Volume(-752), S_OK);
    long volume = 0;
    renderer->get_Volume(&volume);
    EXPECT_EQ(volume, -752);
}

TEST(PcmRing, KeepsOrderAcrossTheWrapAndDropsWhatDoesNotFit) {
    PcmRingBuffer ring;
    ring.reset(10, 4); // two frames of 4 bytes
    EXPECT_EQ(ring.capacity(), 8u);
    std::vector<uint8_t> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(ring.write(std::span(in).first(4)), 4u);
    std::vector<uint8_t> out(8);
    EXPECT_EQ(ring.read(std::span(out).first(3)), 0u); // whole frames only
    EXPECT_EQ(ring.read(out), 4u);
    EXPECT_EQ(ring.write(std::span(in).subspan(4)), 8u); // wraps; the last frame is dropped
    EXPECT_EQ(ring.size(), 8u);
    EXPECT_EQ(ring.write(in), 0u);
    EXPECT_EQ(ring.read(out), 8u);
    EXPECT_EQ(out, (std::vector<uint8_t>{5, 6, 7, 8, 9, 10, 11, 12}));
    ring.write(in);
    ring.clear();
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_EQ(ring.read(out), 0u);
}

// Sound renderer in a graph -----------------------------------------------------------------

TEST_F(SoundRenderer, WithoutADeviceKeepsTimeWithTheClockAndRunsFastWithoutOne) {
    auto source = tone(100); // 2 s
    auto renderer = make<AudioRenderer>("no-such-driver");
    Playback play(source.get(), source->pin(), renderer.get());
    ASSERT_EQ(play.connected, S_OK);
    EXPECT_EQ(play.pauseAndSettle(), S_OK);
    EXPECT_FALSE(renderer->deviceOpen());
    EXPECT_GE(play.runToCompletion(), 1.7);
    EXPECT_EQ(play.completions(0), 0);
    EXPECT_EQ(renderer->bytesRendered(), 100 * 3840);

    play.graph->Stop();
    play.graph->RemoveFilter(renderer.get());
    auto longer = tone(500, kHour); // 500 hours on a clock; done within 30 s without one
    Playback fast(longer.get(), longer->pin(), renderer.get());
    ASSERT_EQ(fast.graph->SetSyncSource(nullptr), S_OK);
    EXPECT_GE(fast.runToCompletion(), 0.0);
    EXPECT_EQ(renderer->bytesRendered(), 600 * 3840);
}

TEST_F(SoundRenderer, PlaysOnAnOpenedDeviceInRealTime) {
    auto source = tone(100);
    auto renderer = make<AudioRenderer>("dummy");
    Playback play(source.get(), source->pin(), renderer.get());
    ASSERT_EQ(play.connected, S_OK);
    EXPECT_EQ(play.pauseAndSettle(), S_OK);
    EXPECT_TRUE(renderer->deviceOpen());
    double seconds = play.runToCompletion();
    EXPECT_GE(seconds, 1.7);
    EXPECT_EQ(play.completions(0), 0);
    EXPECT_EQ(renderer->bytesRendered(), 100 * 3840);
    play.graph->Stop();
}

TEST_F(SoundRenderer, StopDropsWhatTheDeviceHasNotPlayed) {
    auto source = tone(250); // 5 s, delivered at once without a clock
    auto renderer = make<AudioRenderer>("dummy");
    Playback play(source.get(), source->pin(), renderer.get());
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.graph->SetSyncSource(nullptr), S_OK);
    ASSERT_GE(play.runToCompletion(), 0.0);
    ASSERT_TRUE(renderer->deviceOpen());
    EXPECT_GT(renderer->queuedBytes(), 0u);
    EXPECT_LE(renderer->queuedBytes(), size_t(48000 * 4 * 2)); // bounded
    play.graph->Stop();
    EXPECT_EQ(renderer->queuedBytes(), 0u);
    EXPECT_TRUE(renderer->deviceOpen()); // kept for the next start
    play.graph->Disconnect(renderer->input());
    EXPECT_FALSE(renderer->deviceOpen());
}

TEST_F(SoundRenderer, NeverFallsBehindAClockFasterThanTheDevice) {
    // Twice the real pace: the device, playing in real time, gets samples twice as fast.
    struct DoubleSpeedClock final : IReferenceClock {
        HRESULT GetTime(REFERENCE_TIME* time) override {
            *time = origin + 2 * (SystemClock::now() - origin);
            return S_OK;
        }
        REFERENCE_TIME origin = SystemClock::now();
    };
    auto source = tone(100); // 2 s, played in about 1 s
    auto renderer = make<AudioRenderer>("dummy");
    Playback play(source.get(), source->pin(), renderer.get());
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.graph->SetSyncSource(make<DoubleSpeedClock>().get()), S_OK);
    ASSERT_GE(play.runToCompletion(), 0.0);
    ASSERT_TRUE(renderer->deviceOpen());
    EXPECT_LE(renderer->queuedBytes(), size_t(48000 * 4 * 0.4)); // about 300 ms at most
    EXPECT_EQ(renderer->bytesRendered(), 100 * 3840);
    play.graph->Stop();
}

TEST_F(SoundRenderer, AFormatChangeInTheStreamReopensTheDevice) {
    // The timed source's 64-byte samples are PCM enough; from sample 3 on they are mono 8-bit.
    auto source = make<TimedSource>(makePcmType(48000, 2), 10, kAudioBlock);
    auto switcher = make<TypeSwitcher>(3, makePcmType(22050, 1, 8));
    auto renderer = make<AudioRenderer>("dummy");
    Playback play(source.get(), source->pin(), renderer.get(), switcher.get());
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    ASSERT_TRUE(renderer->deviceOpen());
    EXPECT_EQ(renderer->deviceFormat(), (PcmFormat{48000, 2, 16, 4}));
    EXPECT_GE(play.runToCompletion(), 0.0);
    EXPECT_EQ(renderer->deviceFormat(), (PcmFormat{22050, 1, 8, 1}));
    EXPECT_EQ(renderer->bytesRendered(), 10 * 64);
    play.graph->Stop();
}

TEST_F(SoundRenderer, FirstHolderChoosesTheDriverLastOneEndsIt) {
    {
        auto first = make<AudioRenderer>("dummy");
        first->SetMediaType(makePcmType(48000, 2));
        first->Pause();
        ASSERT_TRUE(first->deviceOpen());
        first->Stop();
        // Disconnected, it closes its device (the dummy driver has only one) but keeps SDL
        // started with the dummy driver, which the next renderer shares.
        first->SetMediaType(MediaType{});
        EXPECT_FALSE(first->deviceOpen());
        EXPECT_TRUE(opensDevice("no-such-driver"));
    }
    // Nobody holds SDL now, so the next renderer's choice is tried (and fails).
    EXPECT_FALSE(opensDevice("no-such-driver"));
    EXPECT_TRUE(opensDevice("dummy"));
}

// Preview renderer --------------------------------------------------------------------------

namespace {

// Pixel (x, y) of picture `index`, y counted from the top: B = x, G = y, R = index.
uint32_t pixelAt(int x, int y, int index) {
    return 0xAA000000u | uint32_t(index & 0xFF) << 16 | uint32_t(y) << 8 | uint32_t(x);
}

MediaType pictureType(int width, int height, RECT source, bool videoInfo2 = false) {
    MediaType mt = makeRgb32Type(width, height, kFrame);
    auto vih = *mt.formatAs<VIDEOINFOHEADER>();
    vih.rcSource = source;
    if (!videoInfo2) {
        mt.setFormat(vih);
        return mt;
    }
    VIDEOINFOHEADER2 vih2;
    vih2.rcSource = source;
    vih2.AvgTimePerFrame = vih.AvgTimePerFrame;
    vih2.bmiHeader = vih.bmiHeader;
    mt.formattype = FORMAT_VideoInfo2;
    mt.format.clear();
    mt.setFormat(vih2);
    return mt;
}

// Fills pictures of width x |height| stored bottom-up when height > 0.
ComPtr<PayloadSource> pictures(const MediaType& type, int count) {
    auto header = *type.bitmapHeader();
    int width = header.biWidth, rows = std::abs(header.biHeight);
    bool bottomUp = header.biHeight > 0;
    auto fill = [=](int index, std::span<uint8_t> bytes) {
        for (int stored = 0; stored < rows; ++stored)
            for (int x = 0; x < width; ++x) {
                uint32_t value = pixelAt(x, bottomUp ? rows - 1 - stored : stored, index);
                std::memcpy(bytes.data() + (size_t(stored) * width + x) * 4, &value, 4);
            }
    };
    return make<PayloadSource>(type, count, kFrame, long(width) * rows * 4, fill);
}

// A presented picture as it was handed over (its stride) and copied packed (width * 4 a row).
struct Presented {
    int width, height, stride;
    std::vector<uint8_t> pixels;
    uint32_t at(int x, int y) const {
        uint32_t value;
        std::memcpy(&value, pixels.data() + (size_t(y) * width + size_t(x)) * 4, 4);
        return value;
    }
};

class RecordingSurface final : public IPresentationSurface {
public:
    // Reads exactly the rows given, as a real surface would.
    void present(const uint8_t* pixels, int width, int height, int stride) override {
        std::vector<uint8_t> packed(size_t(width) * height * 4);
        for (int y = 0; y < height; ++y)
            std::memcpy(packed.data() + size_t(y) * width * 4, pixels + size_t(y) * stride,
                        size_t(width) * 4);
        std::lock_guard lock(mutex_);
        frames_.push_back({width, height, stride, std::move(packed)});
    }
    std::vector<Presented> frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    std::mutex mutex_;
    std::vector<Presented> frames_;
};

// True when `picture` is the part (left, top, width x height) of picture `index`.
::testing::AssertionResult showsPart(const Presented& picture, int left, int top, int width,
                                     int height, int index) {
    if (picture.width != width || picture.height != height)
        return ::testing::AssertionFailure() << "size " << picture.width << "x" << picture.height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (picture.at(x, y) != pixelAt(left + x, top + y, index))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

Presented fromStill(const StillPicture& still) {
    return {still.width, still.height, still.width * 4, {still.pixels.begin(), still.pixels.end()}};
}

ComPtr<PayloadSource> topDownPictures(int count) {
    return pictures(pictureType(8, -6, {2, 1, 6, 5}), count);
}

// A preview renderer shown on a recording surface, playing `source` (through `middle` when
// given); stopped and let go of its surface at the end.
struct Preview {
    ComPtr<VideoRenderer> renderer = make<VideoRenderer>();
    RecordingSurface surface;
    Playback play;
    Preview(IBaseFilter* source, IPin* out, TransformFilter* middle = nullptr)
        : play(source, out, renderer.get(), middle) {
        renderer->put_Owner(&surface);
    }
    ~Preview() {
        play.graph->Stop();
        renderer->put_Owner(nullptr);
    }
};

} // namespace

TEST(PreviewLayout, AcceptsRgb32PicturesItCanShow) {
    auto layout = pictureLayoutOf(pictureType(8, 6, {2, 1, 6, 5}));
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->bottomUp);
    EXPECT_EQ(layout->strideBytes, 32);
    EXPECT_EQ(layout->visible.left, 2);
    EXPECT_EQ(layout->visible.bottom, 5);

    auto topDown = pictureLayoutOf(pictureType(8, -6, {}, true));
    ASSERT_TRUE(topDown);
    EXPECT_FALSE(topDown->bottomUp);
    EXPECT_EQ(topDown->height, 6);
    EXPECT_EQ(topDown->visible.right, 8); // empty source: the whole picture
    EXPECT_EQ(topDown->visible.bottom, 6);
    std::vector<uint8_t> stored(8 * 6 * 4); // top-down: stored row y is picture row y
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            uint32_t value = pixelAt(x, y, 3);
            std::memcpy(&stored[size_t(y * 8 + x) * 4], &value, 4);
        }
    StillPicture still;
    ASSERT_TRUE(copyVisiblePart(*topDown, stored, still));
    EXPECT_TRUE(showsPart(fromStill(still), 0, 0, 8, 6, 3));
    EXPECT_FALSE(copyVisiblePart(*topDown, std::span(stored).first(100), still));

    auto clipped = pictureLayoutOf(pictureType(8, 6, {-4, 2, 100, 100}));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->visible.left, 0);
    EXPECT_EQ(clipped->visible.right, 8);
    EXPECT_EQ(clipped->visible.bottom, 6);
    auto outside = pictureLayoutOf(pictureType(8, 6, {20, 20, 30, 30}));
    EXPECT_EQ(outside->visible.right, 8);

    EXPECT_FALSE(pictureLayoutOf(makeVideoInfoType(MEDIASUBTYPE_RGB32, 8, 6, 24, kFrame)));
    EXPECT_FALSE(pictureLayoutOf(makeRgb32Type(0, 6, kFrame)));
    EXPECT_FALSE(pictureLayoutOf(makeRgb32Type(8, 0, kFrame)));
    EXPECT_FALSE(pictureLayoutOf(makeRgb32Type(100000, 100000, kFrame)));
    MediaType lowest = makeRgb32Type(8, 6, kFrame);
    auto vih = *lowest.formatAs<VIDEOINFOHEADER>();
    vih.bmiHeader.biHeight = INT32_MIN;
    lowest.setFormat(vih);
    EXPECT_FALSE(pictureLayoutOf(lowest));
    EXPECT_FALSE(pictureLayoutOf(testCompressedType(8, 6, kFrame)));
    MediaType truncated = makeRgb32Type(8, 6, kFrame);
    truncated.format.resize(60);
    EXPECT_FALSE(pictureLayoutOf(truncated));
}

TEST(PreviewRenderer, ShowsTheSourceRectangleTopRowFirstCuedWhilePaused) {
    auto source = pictures(pictureType(8, 6, {2, 1, 6, 5}), 5);
    Preview preview(source.get(), source->pin());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);

    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    bool visible = false;
    renderer->get_Visible(&visible);
    EXPECT_TRUE(visible); // shown automatically when leaving the stopped state
    auto frames = surface.frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(showsPart(frames[0], 2, 1, 4, 4, 0));
    EXPECT_EQ(frames[0].stride, 16);

    ASSERT_GE(play.runToCompletion(), 0.0);
    EXPECT_EQ(play.completions(0), 0);
    frames = surface.frames();
    ASSERT_EQ(frames.size(), 6u); // the cued picture once more when it is due, then the rest
    for (int i = 1; i < 6; ++i)
        EXPECT_TRUE(showsPart(frames[i], 2, 1, 4, 4, i - 1)) << i;
    EXPECT_TRUE(showsPart(fromStill(renderer->lastPicture()), 2, 1, 4, 4, 4));
}

TEST(PreviewRenderer, HiddenOrWithoutOwnerPresentsNothingButKeepsThePicture) {
    auto source = pictures(pictureType(4, 4, {}), 3);
    Preview preview(source.get(), source->pin());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    ASSERT_EQ(surface.frames().size(), 1u);

    renderer->put_Visible(false);
    ASSERT_GE(play.runToCompletion(), 0.0);
    EXPECT_EQ(surface.frames().size(), 1u);
    EXPECT_TRUE(showsPart(fromStill(renderer->lastPicture()), 0, 0, 4, 4, 2));
}

TEST(PreviewRenderer, ATopDownPictureGoesToTheOwnerStraightFromTheSample) {
    auto source = topDownPictures(4);
    Preview preview(source.get(), source->pin());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    auto frames = surface.frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(showsPart(frames[0], 2, 1, 4, 4, 0));
    EXPECT_EQ(frames[0].stride, 32);             // the sample's rows, not a copy's
    EXPECT_EQ(renderer->lastPicture().width, 0); // the owner keeps what it shows

    // Hidden, the renderer keeps the pictures itself.
    renderer->put_Visible(false);
    ASSERT_GE(play.runToCompletion(), 0.0);
    EXPECT_EQ(surface.frames().size(), 1u);
    EXPECT_TRUE(showsPart(fromStill(renderer->lastPicture()), 2, 1, 4, 4, 3));
}

TEST(PreviewRenderer, APausedSeekShowsTheStillAtTheNewPosition) {
    auto source = pictures(pictureType(4, 4, {}), 10);
    Preview preview(source.get(), source->pin());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);

    REFERENCE_TIME target = 3 * kFrame + 1;
    play.graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    auto frames = surface.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(showsPart(frames[1], 0, 0, 4, 4, 3));
}

TEST(PreviewRenderer, FollowsAPictureSizeChangeInTheStream) {
    // 64-byte samples: 4 x 4 pictures, then 2 x 8 ones from frame 2 on.
    auto source = make<TimedSource>(makeRgb32Type(4, 4, kFrame), 4, kFrame);
    auto switcher = make<TypeSwitcher>(2, makeRgb32Type(2, 8, kFrame));
    Preview preview(source.get(), source->pin(), switcher.get());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    EXPECT_GE(play.runToCompletion(), 0.0);
    auto frames = surface.frames();
    ASSERT_EQ(frames.size(), 5u); // frame 0 is shown cued, then again when due
    EXPECT_EQ(frames[2].width, 4);
    EXPECT_EQ(frames[3].width, 2);
    EXPECT_EQ(frames[3].height, 8);
    EXPECT_EQ(frames[4].height, 8);
}

TEST(PreviewRenderer, SkipsSamplesShorterThanTheirPicture) {
    // The timed source's samples are 64 bytes, far less than 8 x 6 x 4.
    auto source = make<TimedSource>(makeRgb32Type(8, 6, kFrame), 3, kFrame);
    Preview preview(source.get(), source->pin());
    auto& [renderer, surface, play] = preview;
    ASSERT_EQ(play.connected, S_OK);
    ASSERT_EQ(play.pauseAndSettle(), S_OK);
    EXPECT_GE(play.runToCompletion(), 0.0);
    EXPECT_TRUE(surface.frames().empty());
    EXPECT_EQ(renderer->lastPicture().width, 0);
}

TEST(PreviewRenderer, WindowPositionAndRegistration) {
    auto renderer = make<VideoRenderer>();
    EXPECT_EQ(renderer->SetWindowPosition(10, 20, 640, 480), S_OK);
    EXPECT_EQ(renderer->SetWindowPosition(0, 0, -1, 10), E_INVALIDARG);
    long l, t, w, h;
    renderer->GetWindowPosition(&l, &t, &w, &h);
    EXPECT_EQ((std::vector<long>{l, t, w, h}), (std::vector<long>{10, 20, 640, 480}));

    EXPECT_FALSE(FilterMapper::instance().IsRegistered(CLSID_PreviewRenderer));
    ScopedFilterRegistration registered(videoRendererRegistration());
    ComPtr<IBaseFilter> created;
    ASSERT_EQ(FilterMapper::instance().CreateFilter(CLSID_PreviewRenderer, &created), S_OK);
    EXPECT_TRUE(query<IVideoWindow>(created));
    FilterInfo info;
    created->QueryFilterInfo(&info);
    EXPECT_EQ(info.name, "Video Renderer");
}
