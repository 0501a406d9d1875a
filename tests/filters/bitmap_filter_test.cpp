#include "bitmap_filter_chain.h"
#include "filters/bitmap_filter.h"

#include "filters/stream_info.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"

#include "support/frame_source.h"
#include "support/recording_target.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

namespace sp {
namespace {

using namespace mf;
using sptest::FrameSink;
using sptest::FrameSource;
using sptest::makeRgb32Info2Type;
using sptest::ReceivedSample;

constexpr uint32_t kRed = 0x00FF0000; // as a little-endian B, G, R, x pixel
constexpr uint32_t kBlue = 0x000000FF;
constexpr REFERENCE_TIME k25Fps = 400000;

uint32_t PixelAt(const uint8_t* bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes + offset, 4);
    return value;
}

void PutPixel(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

// A picture whose pixel (buffer row r, column c) is (r << 8 | c), except that the first buffer
// row is red and the last blue in column 0.
void PaintRowsAndColumns(int, const BITMAPINFOHEADER& header, std::span<uint8_t> bytes) {
    const int width = header.biWidth, height = std::abs(header.biHeight);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            PutPixel(bytes, size_t(r * width + c) * 4, uint32_t(r << 8 | c));
    PutPixel(bytes, 0, kRed);
    PutPixel(bytes, size_t((height - 1) * width) * 4, kBlue);
}

// Every pixel of frame i holds i + 1.
void PaintIndex(int index, const BITMAPINFOHEADER& header, std::span<uint8_t> bytes) {
    const size_t pixels = size_t(header.biWidth) * size_t(std::abs(header.biHeight));
    for (size_t p = 0; p < pixels && (p + 1) * 4 <= bytes.size(); ++p)
        PutPixel(bytes, p * 4, uint32_t(index + 1));
}

// What the main window takes from a grab message: it copies the frame under its lock on the
// sending thread. Whether the sender still holds the lock is asked from another thread, as the
// main window would find it.
struct Grab {
    uintptr_t wParam = 0;
    int width = 0, height = 0;
    uint32_t firstPixel = 0;
    bool frameWasLocked = true;
};

using RecordingTarget = sptest::RecordingTarget<Grab>;

Grab CopyGrabbedFrame(const RecordingTarget::Message& m) {
    Grab grab;
    grab.wParam = m.wParam;
    if (m.msg != WM_GRAB_FRAME || !m.sent) return grab;
    auto* frame = reinterpret_cast<TFrameBitmap*>(m.lParam);
    const bool free = std::async(std::launch::async, [frame] {
                          if (!frame->try_lock()) return false;
                          frame->unlock();
                          return true;
                      }).get();
    if (!free) return grab;
    grab.frameWasLocked = false;
    TFrameBitmap copy;
    frame->CopyTo(copy);
    grab.width = copy.Width();
    grab.height = copy.Height();
    grab.firstPixel = copy.Empty() ? 0 : PixelAt(copy.Bits(), 0);
    return grab;
}

// source → bitmap filter → sink at 25 pictures a second.
struct Chain : sptest::BitmapFilterChain {
    Chain(ComPtr<TBitmapFilter> bitmapFilter, MediaType type, int frames,
          FrameSource::Painter paint)
        : BitmapFilterChain(std::move(bitmapFilter), std::move(type), frames, k25Fps,
                            std::move(paint)) {}
};

class BitmapFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMainWindowTarget(target);
        SharedTvData() = TvData{};
    }
    void TearDown() override {
        setMainWindowTarget(nullptr);
        SharedTvData() = TvData{};
    }
    std::shared_ptr<RecordingTarget> target =
        std::make_shared<RecordingTarget>(CopyGrabbedFrame, 1);
};

TEST_F(BitmapFilterTest, IdentityAndAcceptedTypes) {
    auto filter = make<TBitmapFilter>();
    FilterInfo info;
    filter->QueryFilterInfo(&info);
    GUID clsid;
    filter->GetClassID(&clsid);
    EXPECT_EQ(info.name, "Orvane Bitmap2Filter");
    EXPECT_EQ(clsid, guidOf("{2AE57AC9-12EA-41EC-8F6B-998C5126A7E5}"));

    EXPECT_EQ(filter->CheckInputType(makeRgb32Type(64, 48, k25Fps)), S_OK);
    EXPECT_EQ(filter->CheckInputType(makeRgb32Info2Type(64, 48, k25Fps)), S_OK);
    MediaType rgb24 = makeVideoInfoType(MEDIASUBTYPE_RGB24, 64, 48, 24, k25Fps);
    EXPECT_EQ(filter->CheckInputType(rgb24), VFW_E_TYPE_NOT_ACCEPTED);
    MediaType mpegFormat = makeRgb32Type(64, 48, k25Fps);
    mpegFormat.formattype = FORMAT_MPEGVideo;
    EXPECT_EQ(filter->CheckInputType(mpegFormat), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter->CheckInputType(makePcmType(48000, 2)), VFW_E_TYPE_NOT_ACCEPTED);

    EXPECT_EQ(filter->CheckTransform(makeRgb32Type(64, 48, 0), makeRgb32Info2Type(64, 48, 0)),
              VFW_E_TYPE_NOT_ACCEPTED);
    MediaType type;
    EXPECT_EQ(filter->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(filter->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_TRUE(filter->SetGrabPeriod(1));
    EXPECT_FALSE(filter->SetGrabPeriod(0));
    EXPECT_FALSE(filter->SetGrabPeriod(-10000000));
}

// 720 × 576 under the default 736 × 576 canvas.
TEST_F(BitmapFilterTest, OutputTypeIsTheCanvasWithThePictureRectangles) {
    const uint32_t interlaced = 0x1 | 0x2; // interlaced, field per sample
    Chain chain(make<TBitmapFilter>(), makeRgb32Info2Type(720, 576, k25Fps, interlaced), 1,
                PaintRowsAndColumns);
    ASSERT_TRUE(chain.Connect());

    const MediaType out = chain.OutputType();
    const auto vih2 = out.formatAs<VIDEOINFOHEADER2>();
    ASSERT_TRUE(vih2);
    EXPECT_EQ(vih2->bmiHeader.biWidth, 736);
    EXPECT_EQ(vih2->bmiHeader.biHeight, -576); // top row first, as written
    EXPECT_EQ(vih2->bmiHeader.biSizeImage, 736u * 576 * 4);
    EXPECT_EQ(out.lSampleSize, 736u * 576 * 4);
    EXPECT_EQ(vih2->dwInterlaceFlags, 0u);
    for (const RECT& r : {vih2->rcSource, vih2->rcTarget}) {
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right, 720);
        EXPECT_EQ(r.bottom, 576);
    }

    ASSERT_TRUE(chain.RunToEnd());
    const std::vector<ReceivedSample> got = chain.sink->received();
    ASSERT_EQ(got.size(), 1u);
    const ReceivedSample& s = got[0];
    ASSERT_GE(s.bytes.size(), 576u * 2944);
    EXPECT_EQ(s.actualLength, 576 * 2944);
    // Output row k holds picture row k from the top, 2944 bytes apart: input buffer row 575 - k.
    for (int k : {1, 2, 300, 574}) {
        EXPECT_EQ(PixelAt(s.bytes.data(), size_t(k) * 2944), uint32_t((575 - k) << 8)) << k;
        EXPECT_EQ(PixelAt(s.bytes.data(), size_t(k) * 2944 + 719 * 4),
                  uint32_t((575 - k) << 8 | 719))
            << k;
    }
    EXPECT_EQ(PixelAt(s.bytes.data(), 0), kBlue);
    EXPECT_EQ(PixelAt(s.bytes.data(), size_t(575) * 2944), kRed);
}

struct FlipCase {
    bool vertical, horizontal, topDownInput;
};

TEST_F(BitmapFilterTest, RowOrderAndFlipsInFrameAndOutput) {
    constexpr int W = 8, H = 4, CanvasW = 12;
    for (const FlipCase& fc :
         {FlipCase{false, false, false}, FlipCase{false, true, false}, FlipCase{true, false, false},
          FlipCase{true, true, false}, FlipCase{false, false, true}}) {
        SCOPED_TRACE(::testing::Message() << "vertical " << fc.vertical << " horizontal "
                                          << fc.horizontal << " top-down " << fc.topDownInput);
        auto filter = make<TBitmapFilter>(CanvasW, 6);
        filter->SetFlipVertical(fc.vertical);
        filter->SetFlipHorizontal(fc.horizontal);
        Chain chain(filter, makeRgb32Type(W, fc.topDownInput ? -H : H, k25Fps), 1,
                    PaintRowsAndColumns);
        ASSERT_TRUE(chain.Connect());
        ASSERT_TRUE(chain.RunToEnd());
        const std::vector<ReceivedSample> got = chain.sink->received();
        ASSERT_EQ(got.size(), 1u);
        TFrameBitmap frame;
        filter->CopyCurrentFrame(frame);
        ASSERT_EQ(frame.Width(), W);
        ASSERT_EQ(frame.Height(), H);

        // Where input buffer row r, column c must land, top row first.
        const bool upright = fc.vertical == fc.topDownInput;
        for (int r = 0; r < H; ++r)
            for (int c = 1; c < W; ++c) {
                const int row = upright ? H - 1 - r : r;
                const int col = fc.horizontal ? W - 1 - c : c;
                const uint32_t want = uint32_t(r << 8 | c);
                EXPECT_EQ(PixelAt(frame.Row(row), size_t(col) * 4), want) << r << "," << c;
                EXPECT_EQ(PixelAt(got[0].bytes.data(), size_t(row * CanvasW + col) * 4), want);
            }
        if (!fc.vertical && !fc.horizontal && !fc.topDownInput) {
            EXPECT_EQ(PixelAt(frame.Row(0), 0), kBlue);
            EXPECT_EQ(PixelAt(frame.Row(H - 1), 0), kRed);
            EXPECT_EQ(PixelAt(got[0].bytes.data(), 0), kBlue);
        }
        if (fc.horizontal && !fc.vertical && !fc.topDownInput) {
            EXPECT_EQ(PixelAt(frame.Row(0), size_t(W - 1) * 4), kBlue); // column 0 → W − 1
        }
    }
}

TEST_F(BitmapFilterTest, LargerFrameGrowsTheCanvasAndAsksForBothReconnections) {
    const MediaType small = makeRgb32Info2Type(720, 576, k25Fps);
    const MediaType large = makeRgb32Info2Type(1920, 1080, k25Fps);
    Chain chain(make<TBitmapFilter>(), small, 3, PaintRowsAndColumns);
    chain.source->typeChanges[1] = large;
    ASSERT_TRUE(chain.Connect());
    // The output buffers still have the 736 × 576 canvas size: nothing may be written past them.
    ASSERT_TRUE(chain.RunToEnd());

    const std::vector<RecordingTarget::Message> posts = target->posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].msg, WM_RECONNECT);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].lParam, 0);
    EXPECT_EQ(posts[1].msg, WM_RECONNECT);
    EXPECT_EQ(posts[1].lParam, 1);
    const std::vector<ReceivedSample> got = chain.sink->received();
    ASSERT_EQ(got.size(), 3u);
    ASSERT_TRUE(got[1].type);
    const auto attached = got[1].type->bitmapHeader();
    EXPECT_EQ(attached->biWidth, 1920);
    EXPECT_EQ(attached->biHeight, -1080);

    // What the main window does on the two messages; the source now offers the large type.
    chain.source->typeChanges.clear();
    chain.source->type = large;
    chain.filter->PrepareReconnect();
    ASSERT_EQ(chain.graph->Reconnect(chain.filter->input()), S_OK);
    chain.filter->PrepareReconnect();
    ASSERT_EQ(chain.graph->Reconnect(chain.filter->output()), S_OK);
    const auto canvas = chain.OutputType().formatAs<VIDEOINFOHEADER2>();
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->bmiHeader.biWidth, 1920);
    EXPECT_EQ(canvas->bmiHeader.biHeight, -1080);
    EXPECT_EQ(canvas->rcSource.right, 1920);
    EXPECT_EQ(canvas->rcSource.bottom, 1080);

    ASSERT_TRUE(chain.RunToEnd());
    const std::vector<ReceivedSample> after = chain.sink->received();
    ASSERT_EQ(after.size(), 3u);
    const size_t stride = 1920 * 4;
    EXPECT_EQ(PixelAt(after[0].bytes.data(), 0), kBlue);
    EXPECT_EQ(PixelAt(after[0].bytes.data(), 1079 * stride), kRed);
    EXPECT_EQ(PixelAt(after[0].bytes.data(), 500 * stride + 1919 * 4), uint32_t(579 << 8 | 1919));
    EXPECT_EQ(target->posts().size(), 2u); // no further growth

    // The canvas never shrinks: a smaller input keeps the large output picture.
    chain.source->type = small;
    chain.filter->PrepareReconnect();
    ASSERT_EQ(chain.graph->Reconnect(chain.filter->input()), S_OK);
    ASSERT_EQ(chain.graph->Reconnect(chain.filter->output()), S_OK);
    const auto kept = chain.OutputType().formatAs<VIDEOINFOHEADER2>();
    EXPECT_EQ(kept->bmiHeader.biWidth, 1920);
    EXPECT_EQ(kept->rcSource.right, 720);
}

TEST_F(BitmapFilterTest, APictureLargerThanTheCanvasFromTheStartNeedsNoReconnection) {
    // The canvas grows while the pins connect, so there is nothing to reconnect afterwards.
    Chain chain(make<TBitmapFilter>(), makeRgb32Info2Type(1920, 1080, k25Fps), 2,
                PaintRowsAndColumns);
    ASSERT_TRUE(chain.Connect());
    const auto canvas = chain.OutputType().formatAs<VIDEOINFOHEADER2>();
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->bmiHeader.biWidth, 1920);
    EXPECT_EQ(canvas->bmiHeader.biHeight, -1080);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_TRUE(target->posts().empty());
    const std::vector<ReceivedSample> got = chain.sink->received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(PixelAt(got[0].bytes.data(), 0), kBlue);
    EXPECT_EQ(PixelAt(got[0].bytes.data(), size_t(700) * 1920 * 4 + 1919 * 4),
              uint32_t(379 << 8 | 1919));
}

TEST_F(BitmapFilterTest, VideoInfoGrowthAsksOnlyForTheOutputReconnection) {
    Chain chain(make<TBitmapFilter>(), makeRgb32Type(720, 576, k25Fps), 2, PaintRowsAndColumns);
    chain.source->typeChanges[1] = makeRgb32Type(1280, 720, k25Fps);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const std::vector<RecordingTarget::Message> posts = target->posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].msg, WM_RECONNECT);
    EXPECT_EQ(posts[0].lParam, 1);
    // Clipped to the old canvas until the reconnection: row 0 of the large picture is its
    // top row, cut at 736 pixels, and nothing is written beyond the buffer.
    const std::vector<ReceivedSample> got = chain.sink->received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(PixelAt(got[1].bytes.data(), 0), kBlue);
    EXPECT_EQ(PixelAt(got[1].bytes.data(), 735 * 4), uint32_t(719 << 8 | 735));

    // A taller picture has more rows than the output buffers hold at the old stride.
    Chain tall(make<TBitmapFilter>(), makeRgb32Type(720, 576, k25Fps), 2, PaintRowsAndColumns);
    tall.source->typeChanges[1] = makeRgb32Type(700, 1200, k25Fps);
    ASSERT_TRUE(tall.Connect());
    ASSERT_TRUE(tall.RunToEnd());
    const std::vector<ReceivedSample> rows = tall.sink->received();
    ASSERT_EQ(rows.size(), 2u);
    const size_t lastRow = rows[1].bytes.size() / 2944 - 1;
    EXPECT_EQ(PixelAt(rows[1].bytes.data(), lastRow * 2944), uint32_t((1199 - lastRow) << 8));
}

TEST_F(BitmapFilterTest, ScheduledGrabsSeeTheFrameOnScreenAtTheScheduledTime) {
    auto filter = make<TBitmapFilter>(16, 8);
    filter->SetGrabPeriod(10000000);
    Chain chain(filter, makeRgb32Type(16, 8, k25Fps), 60, PaintIndex);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());

    const std::vector<Grab> grabs = target->records(WM_GRAB_FRAME);
    ASSERT_EQ(grabs.size(), 3u);
    const uintptr_t times[] = {0, 10000000, 20000000};
    const uint32_t shown[] = {1, 26, 51}; // frames 0, 25 and 50 (+1), which start at those times
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(grabs[i].wParam, times[i]);
        EXPECT_FALSE(grabs[i].frameWasLocked);
        EXPECT_EQ(grabs[i].width, 16);
        EXPECT_EQ(grabs[i].firstPixel, shown[i]);
    }
    EXPECT_EQ(chain.sink->received().size(), 60u);

    // A late frame (0 s, then 2.5 s) triggers every grab it passed, each of the frame before
    // it; a new run counts from 0.
    chain.source->frames = 2;
    chain.source->starts = {0, 25000000};
    ASSERT_TRUE(chain.RunToEnd());
    const std::vector<Grab> more = target->records(WM_GRAB_FRAME);
    ASSERT_EQ(more.size(), 6u);
    EXPECT_EQ(more[3].wParam, 0u);
    EXPECT_EQ(more[4].wParam, 10000000u);
    EXPECT_EQ(more[5].wParam, 20000000u);
    EXPECT_EQ(more[4].firstPixel, 1u);
    EXPECT_EQ(more[5].firstPixel, 1u);

    filter->SetGrabPeriod(0);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(target->records(WM_GRAB_FRAME).size(), 6u);
}

// A precision run at maximum speed: the source asks the filter which pictures to paint, as the
// decoder does. Only those around each grab time (and a preview now and then) come with data;
// the grabs still see the frame on screen at their times, and what is left out never reaches
// the sink. Paused, or with the mode off, every picture is needed.
TEST_F(BitmapFilterTest, PicturesNobodySeesAreLeftOutAndGrabsStayExact) {
    auto filter = make<TBitmapFilter>(16, 8);
    filter->SetGrabPeriod(10000000);
    filter->SetSkipUnseen(true);
    Chain chain(filter, makeRgb32Type(16, 8, k25Fps), 60, PaintIndex);
    chain.source->demand = [&](REFERENCE_TIME start, REFERENCE_TIME stop) {
        return filter->PictureUseOf(start, stop) != PictureUse::Unseen;
    };
    ASSERT_TRUE(chain.Connect());
    // Not running: a still, which steps may come back to.
    EXPECT_EQ(filter->PictureUseOf(4 * k25Fps, 5 * k25Fps), PictureUse::Browsed);
    ASSERT_TRUE(chain.RunToEnd());

    const std::vector<Grab> grabs = target->records(WM_GRAB_FRAME);
    ASSERT_EQ(grabs.size(), 3u);
    const uint32_t shown[] = {1, 26, 51};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(grabs[i].firstPixel, shown[i]) << "grab " << i;
    const uint64_t leftOut = filter->PicturesLeftOut();
    EXPECT_GE(leftOut, 30u); // 6 around the grabs, the first, and a few previews are needed
    const auto received = chain.sink->received();
    EXPECT_EQ(received.size() + leftOut, 60u);
    for (const ReceivedSample& r : received)
        EXPECT_GT(r.actualLength, 0);

    filter->SetSkipUnseen(false);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(filter->PicturesLeftOut(), leftOut);
    EXPECT_EQ(chain.sink->received().size(), 60u);

    // Frames the decoder did not decode at all leave gaps between the samples: they count as
    // left out too, but only while pictures are being left out.
    chain.source->demand = nullptr;
    chain.source->frames = 5;
    chain.source->starts = {0, k25Fps, 4 * k25Fps, 5 * k25Fps, 8 * k25Fps};
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(filter->PicturesLeftOut(), leftOut);
    filter->SetSkipUnseen(true);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(filter->PicturesLeftOut(), leftOut + 4);
    filter->SetGrabPeriod(0);
}

// Grabs every 4 pictures, the pictures judged 8 ms apart: a grab picture reaches the window
// far more often than every 100 ms, so none is converted as a preview alone; with grabs further
// apart a preview is due once the window has had nothing for kPreviewIntervalMs. Judged on the
// times the source took, with a little slack for the clock read inside the judge.
TEST_F(BitmapFilterTest, GrabPicturesServeAsPreviews) {
    using Clock = std::chrono::steady_clock;
    struct Judged {
        int index;
        Clock::time_point at;
        bool passed;
    };
    constexpr int kFrames = 60;
    for (const int grabEvery : {4, 25}) {
        auto filter = make<TBitmapFilter>(16, 8);
        filter->SetGrabPeriod(grabEvery * k25Fps);
        filter->SetSkipUnseen(true);
        Chain chain(filter, makeRgb32Type(16, 8, k25Fps), kFrames, PaintIndex);
        std::vector<Judged> judged;
        chain.source->demand = [&](REFERENCE_TIME start, REFERENCE_TIME stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
            const Clock::time_point at = Clock::now();
            const bool passed = filter->PictureUseOf(start, stop) != PictureUse::Unseen;
            judged.push_back({int(start / k25Fps), at, passed});
            return passed;
        };
        ASSERT_TRUE(chain.Connect());
        ASSERT_TRUE(chain.RunToEnd());
        ASSERT_EQ(judged.size(), size_t(kFrames));

        const auto interval = std::chrono::milliseconds(TBitmapFilter::kPreviewIntervalMs);
        const auto slack = std::chrono::milliseconds(5);
        Clock::time_point lastPassed = judged.front().at;
        for (const Judged& j : judged) {
            const bool nearGrab = j.index % grabEvery == 0 || j.index % grabEvery == grabEvery - 1;
            const auto since = j.at - lastPassed;
            EXPECT_TRUE(j.passed || !nearGrab) << "grab picture " << j.index;
            EXPECT_TRUE(!j.passed || nearGrab || since >= interval - slack)
                << "early preview " << j.index << ", grabs every " << grabEvery;
            EXPECT_TRUE(j.passed || since < interval + slack)
                << "no preview for " << j.index << ", grabs every " << grabEvery;
            if (j.passed) lastPassed = j.at;
        }
        const std::vector<Grab> grabs = target->records(WM_GRAB_FRAME);
        ASSERT_EQ(grabs.size(), size_t((kFrames + grabEvery - 1) / grabEvery));
        for (size_t i = 0; i < grabs.size(); ++i)
            EXPECT_EQ(grabs[i].firstPixel, uint32_t(i * grabEvery + 1)) << "grab " << i;
        target->clear();
        filter->SetGrabPeriod(0);
    }
}

TEST_F(BitmapFilterTest, PositionAndSampleAttributes) {
    auto filter = make<TBitmapFilter>(16, 8);
    Chain chain(filter, makeRgb32Type(16, 8, k25Fps), 4, PaintIndex);
    chain.source->frameDuration = 333667; // the first timed sample sets the frame duration
    chain.source->typeSpecificFlags = 0x5;
    ASSERT_TRUE(chain.Connect());
    filter->TimeBase = 50000000;
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(SharedTvData().FrameDuration, 333667);
    EXPECT_EQ(filter->CurrentTime, 50000000 + 3 * 333667);
    std::vector<ReceivedSample> got = chain.sink->received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(got[2].timed);
    EXPECT_EQ(got[2].start, 2 * 333667);
    EXPECT_EQ(got[2].stop, 3 * 333667);
    EXPECT_EQ(got[2].typeSpecificFlags, 0u);
    EXPECT_EQ(got[2].actualLength, 8 * 64);

    // Samples without times advance by the frame duration from TimeBase.
    chain.source->timed = false;
    SharedTvData().FrameDuration = 400000;
    filter->TimeBase = 0;
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(filter->CurrentTime, 4 * 400000);
    got = chain.sink->received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_FALSE(got[0].timed);
    EXPECT_EQ(PixelAt(got[3].bytes.data(), 0), 4u);
}

TEST_F(BitmapFilterTest, DamagedInputLeavesTheOutputAloneAndTheStreamGoesOn) {
    // Buffers too short for the declared picture.
    Chain shortBuffers(make<TBitmapFilter>(64, 64), makeRgb32Type(64, 64, k25Fps), 3, PaintIndex);
    shortBuffers.source->bufferBytes = 100;
    ASSERT_TRUE(shortBuffers.Connect());
    ASSERT_TRUE(shortBuffers.RunToEnd());
    EXPECT_EQ(shortBuffers.sink->received().size(), 3u);
    TFrameBitmap frame;
    shortBuffers.filter->CopyCurrentFrame(frame);
    EXPECT_EQ(PixelAt(frame.Bits(), 0), 0u); // nothing copied in

    // A format block too short to hold a bitmap header, and an absurd picture size.
    MediaType truncated = makeRgb32Type(64, 64, k25Fps);
    truncated.format.resize(60);
    Chain damaged(make<TBitmapFilter>(), truncated, 2, nullptr);
    damaged.source->bufferBytes = 4096;
    ASSERT_TRUE(damaged.Connect());
    ASSERT_TRUE(damaged.RunToEnd());
    EXPECT_EQ(damaged.sink->received().size(), 2u);

    Chain huge(make<TBitmapFilter>(), makeRgb32Type(1 << 20, 1 << 20, k25Fps), 2, nullptr);
    huge.source->bufferBytes = 4096;
    ASSERT_TRUE(huge.Connect());
    ASSERT_TRUE(huge.RunToEnd());
    EXPECT_EQ(huge.OutputType().bitmapHeader()->biWidth, 736); // the canvas did not follow
    EXPECT_TRUE(target->posts().empty());
}

} // namespace
} // namespace sp
