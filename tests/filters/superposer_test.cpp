#include "filters/superposer.h"

#include "describe/timecode.h"
#include "filters/stream_info.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"

#include "support/frame_source.h"

#include "support/gui_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ostream>
#include <thread>

namespace sp {
namespace {

using namespace mf;
using sptest::FrameSink;
using sptest::FrameSource;
using sptest::ReceivedSample;

constexpr uint32_t kBackground = 0x00505050;
constexpr REFERENCE_TIME k25Fps = 400000;

void PaintBackground(int, const BITMAPINFOHEADER&, std::span<uint8_t> bytes) {
    for (size_t p = 0; p + 4 <= bytes.size(); p += 4)
        std::memcpy(bytes.data() + p, &kBackground, 4);
}

// A picture top row first, one uint32_t per pixel.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    Picture(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), kBackground) {}
    // The picture part of an output buffer whose rows are `stride` bytes apart.
    Picture(const ReceivedSample& sample, int w, int h, size_t stride) : Picture(w, h) {
        for (int y = 0; y < h; ++y)
            std::memcpy(&pixels[size_t(y) * size_t(w)], sample.bytes.data() + size_t(y) * stride,
                        size_t(w) * 4);
    }
    FrameView View() {
        return {reinterpret_cast<uint8_t*>(pixels.data()), width, height, std::ptrdiff_t(width) * 4,
                32};
    }
    bool operator==(const Picture&) const = default;

    struct Box {
        int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    };
    Box Changed() const {
        Box b;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((pixels[size_t(y) * size_t(width) + x] & 0xFFFFFF) != kBackground) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
};

void PrintTo(const Picture& picture, std::ostream* os) {
    const Picture::Box b = picture.Changed();
    *os << picture.width << "x" << picture.height << ", drawn in (" << b.left << "," << b.top
        << ")-(" << b.right << "," << b.bottom << ")";
}

// The background with the lines drawn by an inlay painter given the same settings.
Picture Expected(const TincrustRec& settings, int width, int height, const InlayLines& lines) {
    Picture picture(width, height);
    InlayPainter painter;
    painter.ApplySettings(settings, width);
    painter.Draw(picture.View(), lines);
    return picture;
}

class SuperposerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMainWindowTarget(nullptr);
        SharedTvData() = TvData{};
        SharedTvData().FrameDuration = k25Fps;
    }
    void TearDown() override { SharedTvData() = TvData{}; }

    // Connects source → superposer → sink for `width` × `height` pictures (canvas given).
    void Build(int width, int height, int frames, int32_t canvasWidth, int32_t canvasHeight) {
        width_ = width;
        height_ = height;
        canvasWidth_ = canvasWidth;
        superposer = make<Tsuperposer>(canvasWidth, canvasHeight);
        source = make<FrameSource>(makeRgb32Type(width, height, k25Fps), frames, k25Fps,
                                   PaintBackground);
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(superposer.get(), "Superposer");
        graph->AddFilter(sink.get(), "sink");
        graph->SetSyncSource(nullptr);
        superposer->PrepareReconnect();
        ASSERT_EQ(graph->ConnectDirect(source->pin(), superposer->input(), nullptr), S_OK);
        ASSERT_EQ(graph->ConnectDirect(superposer->output(), sink->input(), nullptr), S_OK);
    }

    // Runs to the end of the stream; the picture of the last output sample.
    Picture Run() {
        sink->clear();
        graph->Run();
        long code = 0;
        intptr_t p1, p2;
        // Waits while frames keep arriving: on a loaded machine, with threads busy beside the
        // stream, the run may take long, but it must not stall.
        size_t seen = 0;
        while (code != EC_COMPLETE) {
            if (graph->GetEvent(&code, &p1, &p2, 10000) == S_OK) continue;
            const size_t now = sink->received().size();
            if (now == seen) break;
            seen = now;
        }
        graph->Stop();
        EXPECT_EQ(code, EC_COMPLETE);
        const std::vector<ReceivedSample> got = sink->received();
        if (got.empty()) return Picture(width_, height_);
        return Picture(got.back(), width_, height_, size_t(canvasWidth_) * 4);
    }

    ~SuperposerTest() override { graph->Stop(); }

    ComPtr<FilterGraph> graph = make<FilterGraph>();
    ComPtr<FrameSource> source;
    ComPtr<Tsuperposer> superposer;
    ComPtr<FrameSink> sink = make<FrameSink>();
    int width_ = 0, height_ = 0, canvasWidth_ = 0;
};

TEST_F(SuperposerTest, IdentityAndSettingsCopy) {
    auto filter = make<Tsuperposer>();
    FilterInfo info;
    filter->QueryFilterInfo(&info);
    GUID clsid;
    filter->GetClassID(&clsid);
    EXPECT_EQ(info.name, "Orvane fs_Superposer");
    EXPECT_EQ(clsid, guidOf("{E97F14A9-9EB5-486F-8235-B29F93983433}"));
    EXPECT_EQ(filter->CurrentSettings(), TincrustRec{});

    TincrustRec record;
    record.Incrust1 = L"first %N";
    record.Xpos = 1500;
    filter->SetInlaySettings(record);
    record.Incrust1 = L"changed afterwards";
    EXPECT_EQ(filter->CurrentSettings().Incrust1, L"first %N");
    EXPECT_EQ(filter->CurrentSettings().Xpos, 1500); // kept as given; clamped only for drawing
}

// Default settings on a 720 × 576 video without DV data: the timestamp, right-aligned to end at
// x 658, its top at y 526, 28 pixels high.
TEST_F(SuperposerTest, DefaultInlayIsTheTimestampAtTheLowerRight) {
    ASSERT_NO_FATAL_FAILURE(Build(720, 576, 6, kDefaultMaxWidth, kDefaultMaxHeight));
    superposer->TimeBase = 120000000; // frames 0 … 5 at 25 fps: the last is 0:00:12:05
    superposer->ApplySettings(TincrustRec{});
    EXPECT_EQ(Run(), Picture(720, 576)) << "inlay off draws nothing";

    superposer->SetInlay(true);
    const Picture drawn = Run();
    EXPECT_EQ(drawn, Expected(TincrustRec{}, 720, 576, {QString(), "0:00:12:05"}));
    const Picture::Box box = drawn.Changed();
    const int border = TincrustRec{}.BorderSize;
    EXPECT_LE(box.right, 658 + border);
    EXPECT_GE(box.right, 658 - 8);
    EXPECT_GE(box.top, 526 - border);
    EXPECT_LE(box.top, 526 + 10);
    EXPECT_LE(box.bottom, 526 + 28 + border);
    EXPECT_GE(box.left, 400);

    // The snapshot the main window copies is the drawn frame.
    TFrameBitmap snapshot;
    superposer->CopyCurrentFrame(snapshot);
    ASSERT_EQ(snapshot.Width(), 720);
    Picture copied(720, 576);
    std::memcpy(copied.pixels.data(), snapshot.Bits(), copied.pixels.size() * 4);
    EXPECT_EQ(copied, drawn);
}

// The recording date and timecode of TvData, the image number and the stream position all
// reach the lines (which kind shows what is the text rules' business, tested with them).
TEST_F(SuperposerTest, LinesAreMadeOfTheStreamValues) {
    ASSERT_NO_FATAL_FAILURE(Build(320, 240, 3, 320, 240));
    TvData& video = SharedTvData();
    video.RecDateValid = true;
    video.RecDateTime = 45000.5; // 15 March 2023, noon
    video.TimecodeValid = true;
    video.Timecode = MakePackedTimecode(1, 2, 3, 4);
    superposer->SetImageNumber(12345, 4);
    superposer->TimeBase = 600000000; // the last of the 3 frames is at 1 minute + 2 frames
    superposer->SetInlay(true);

    TincrustRec settings;
    settings.FormatDate1 = L"yyyy-mm-dd";
    settings.FormatDate2 = L"hh:nn";
    settings.Incrust1 = L"n%N";
    settings.Incrust2 = L"t%T s%S";
    settings.Alignement = 0;
    settings.Xpos = 100;
    settings.Ypos = 500;
    settings.BorderSize = 1;
    settings.WhatIncrust = 0;
    superposer->ApplySettings(settings);
    EXPECT_EQ(Run(), Expected(settings, 320, 240, {"2023-03-15", "12:00"}));
    settings.WhatIncrust = 2;
    superposer->ApplySettings(settings);
    EXPECT_EQ(Run(), Expected(settings, 320, 240, {"n2345", "t1:02:03:04 s0:01:00:02"}));
}

// Settings replaced and snapshots taken by other threads while the streaming thread draws.
TEST_F(SuperposerTest, SettingsChangeWhileFramesAreDrawn) {
    ASSERT_NO_FATAL_FAILURE(Build(160, 120, 150, 160, 120));
    superposer->SetInlay(true);
    std::atomic<bool> done{false};
    std::thread changer([&] {
        TincrustRec settings;
        for (int i = 0; !done; ++i) {
            settings.WhatIncrust = uint8_t(i % 8);
            settings.Alignement = uint8_t(i % 4);
            settings.Xpos = 100 * (i % 11);
            settings.Incrust1 = std::wstring(size_t(i % 7), L'x') + L"%N";
            superposer->ApplySettings(settings);
            superposer->SetImageNumber(i, i % 6);
            superposer->SetFlipHorizontal(i % 2 == 0);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    // The main window copying snapshots meanwhile. Both threads pause briefly between calls, as
    // a user interface does: unpaced loops starve the streaming thread of the frame lock under
    // ThreadSanitizer on two cores.
    std::thread snapshots([&] {
        TFrameBitmap copy;
        while (!done) {
            superposer->CopyCurrentFrame(copy);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    Run();
    done = true;
    changer.join();
    snapshots.join();
    EXPECT_EQ(sink->received().size(), 150u);
}

} // namespace
} // namespace sp
