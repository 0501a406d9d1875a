// The bitmap filter handing top-down input samples on as they are (no flip asked, canvas as wide
// as the frame): the sample that arrives is the one sent, with the inlay drawn on it, the frame
// borrows it, and whatever needs a copy (a flip, a wider canvas, a sample carrying a new type)
// still gets the right picture.

#include "bitmap_filter_chain.h"
#include "filters/bitmap_filter.h"

#include "filters/stream_info.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"

#include "support/frame_source.h"
#include "support/recording_target.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sp {
namespace {

using namespace mf;
using sptest::FrameSink;
using sptest::FrameSource;

constexpr REFERENCE_TIME k25Fps = 400000;
constexpr int kWidth = 64;
constexpr int kHeight = 48;
// The source's buffers: a size no buffer of the bitmap filter's own allocator has.
constexpr long kSourceBuffer = long(kWidth) * kHeight * 4 + 256;

uint32_t PixelAt(const uint8_t* bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes + offset, 4);
    return value;
}

uint32_t Value(int index, int row, int column) {
    return uint32_t(index) << 16 | uint32_t(row) << 8 | uint32_t(column);
}

// Pixel (buffer row r, column c) of frame i holds i << 16 | r << 8 | c; the rest of the buffer
// is left as it is.
void Paint(int index, const BITMAPINFOHEADER& header, std::span<uint8_t> bytes) {
    const int width = header.biWidth, height = std::abs(header.biHeight);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const uint32_t value = Value(index, r, c);
            std::memcpy(bytes.data() + size_t(r * width + c) * 4, &value, 4);
        }
}

MediaType TopDown(int width, int height) {
    return makeRgb32Type(width, -height, k25Fps);
}

// Marks the top left pixel, as an inlay draws on the frame.
class MarkingFilter final : public TBitmapFilter {
public:
    MarkingFilter(int32_t canvasWidth, int32_t canvasHeight)
        : TBitmapFilter(canvasWidth, canvasHeight) {}
    static constexpr uint32_t kMark = 0x00ABCDEF;

protected:
    void DrawOverlay(TFrameBitmap& frame) override { std::memcpy(frame.Row(0), &kMark, 4); }
};

// The second pixel of the frame a grab message lends, copied as the main window copies it.
using GrabTarget = sptest::RecordingTarget<uint32_t>;
uint32_t SecondPixelOfGrab(const GrabTarget::Message& m) {
    if (m.msg != WM_GRAB_FRAME || !m.sent) return 0;
    TFrameBitmap copy;
    reinterpret_cast<TFrameBitmap*>(m.lParam)->CopyTo(copy);
    return copy.Width() >= 2 ? PixelAt(copy.Bits(), 4) : 0;
}

struct Chain : sptest::BitmapFilterChain {
    Chain(ComPtr<TBitmapFilter> bitmapFilter, MediaType type, int frames)
        : BitmapFilterChain(std::move(bitmapFilter), std::move(type), frames, k25Fps, Paint) {
        source->bufferBytes = kSourceBuffer;
    }
};

class BitmapFilterPassOn : public ::testing::Test {
protected:
    void SetUp() override {
        SharedTvData() = TvData{};
        setMainWindowTarget(target);
    }
    void TearDown() override {
        setMainWindowTarget(nullptr);
        SharedTvData() = TvData{};
    }
    std::shared_ptr<GrabTarget> target = std::make_shared<GrabTarget>(SecondPixelOfGrab, 1);
};

// The source's own buffers reach the sink, rows unchanged and inlay drawn; grabs see the frame
// of their time; after a stop the frame keeps the last picture and holds no source buffer (the
// source's allocator accepts new properties on reconnection).
TEST_F(BitmapFilterPassOn, TopDownPicturesGoOnInTheirOwnSamples) {
    constexpr int kFrames = 30;
    auto filter = make<MarkingFilter>(kWidth, kHeight * 2); // as wide, taller: still passed on
    filter->SetInlay(true);
    filter->SetGrabPeriod(10000000);
    Chain chain(filter, TopDown(kWidth, kHeight), kFrames);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const auto& sample = received[size_t(i)];
        EXPECT_EQ(long(sample.bytes.size()), kSourceBuffer); // the source's buffer itself
        EXPECT_EQ(sample.actualLength, long(kWidth) * kHeight * 4);
        EXPECT_EQ(PixelAt(sample.bytes.data(), 0), MarkingFilter::kMark);
        EXPECT_EQ(PixelAt(sample.bytes.data(), 4), Value(i, 0, 1));
        const size_t last = (size_t(kHeight - 1) * kWidth + kWidth - 1) * 4;
        EXPECT_EQ(PixelAt(sample.bytes.data(), last), Value(i, kHeight - 1, kWidth - 1));
    }
    const std::vector<uint32_t> grabs = target->records(WM_GRAB_FRAME);
    ASSERT_EQ(grabs.size(), 2u);
    EXPECT_EQ(grabs[0], Value(0, 0, 1));
    EXPECT_EQ(grabs[1], Value(25, 0, 1));

    TFrameBitmap kept;
    filter->CopyCurrentFrame(kept);
    ASSERT_EQ(kept.Width(), kWidth);
    ASSERT_EQ(kept.Height(), kHeight);
    EXPECT_EQ(PixelAt(kept.Row(kHeight - 1), 4 * 3), Value(kFrames - 1, kHeight - 1, 3));

    ASSERT_EQ(chain.graph->Disconnect(chain.source->pin()), S_OK);
    ASSERT_EQ(chain.graph->Disconnect(chain.filter->input()), S_OK);
    chain.source->bufferBytes = kSourceBuffer + 4096;
    ASSERT_EQ(chain.graph->ConnectDirect(chain.source->pin(), chain.filter->input(), nullptr),
              S_OK);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(chain.sink->received().size(), size_t(kFrames));
}

// A flip, or a canvas wider than the frame, needs the picture rewritten: it goes out in the
// filter's own buffer, turned as asked.
TEST_F(BitmapFilterPassOn, FlipsAndWiderCanvasesCopyIntoOwnBuffers) {
    {
        auto filter = make<TBitmapFilter>(kWidth, kHeight * 2); // buffers larger than the source's
        filter->SetFlipVertical(true);
        Chain chain(filter, TopDown(kWidth, kHeight), 3);
        ASSERT_TRUE(chain.Connect());
        ASSERT_TRUE(chain.RunToEnd());
        const auto received = chain.sink->received();
        ASSERT_EQ(received.size(), 3u);
        EXPECT_NE(long(received[2].bytes.size()), kSourceBuffer);
        // Flipped: the top row shown is the source's last row.
        EXPECT_EQ(PixelAt(received[2].bytes.data(), 4), Value(2, kHeight - 1, 1));
        TFrameBitmap kept;
        filter->CopyCurrentFrame(kept);
        EXPECT_EQ(PixelAt(kept.Row(0), 0), Value(2, kHeight - 1, 0));
    }
    {
        constexpr int kCanvas = kWidth + 16;
        auto filter = make<TBitmapFilter>(kCanvas, kHeight);
        filter->SetFlipHorizontal(true);
        Chain chain(filter, TopDown(kWidth, kHeight), 2);
        ASSERT_TRUE(chain.Connect());
        ASSERT_TRUE(chain.RunToEnd());
        const auto received = chain.sink->received();
        ASSERT_EQ(received.size(), 2u);
        EXPECT_NE(long(received[1].bytes.size()), kSourceBuffer);
        // Canvas rows of kCanvas pixels; row 3 of the picture mirrored, upright.
        const uint8_t* row3 = received[1].bytes.data() + size_t(3) * kCanvas * 4;
        EXPECT_EQ(PixelAt(row3, 0), Value(1, 3, kWidth - 1));
        EXPECT_EQ(PixelAt(row3, size_t(kWidth - 1) * 4), Value(1, 3, 0));
    }
}

// A sample carrying a new size goes through the copy, under the output type it announces; the
// samples after it are passed on again with the new size.
TEST_F(BitmapFilterPassOn, NewTypeCarriedBySampleThenPassingOnAgain) {
    constexpr int kShorter = kHeight / 2;
    auto filter = make<TBitmapFilter>(kWidth, kHeight * 2); // buffers larger than the source's
    Chain chain(filter, TopDown(kWidth, kHeight), 5);
    chain.source->typeChanges[2] = TopDown(kWidth, kShorter);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(long(received[1].bytes.size()), kSourceBuffer);
    EXPECT_NE(long(received[2].bytes.size()), kSourceBuffer);
    ASSERT_TRUE(received[2].type.has_value());
    const auto header = received[2].type->bitmapHeader();
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->biWidth, kWidth);
    EXPECT_LT(header->biHeight, 0); // the canvas stays top-down
    for (int i : {2, 3, 4}) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(received[size_t(i)].actualLength, long(kWidth) * kShorter * 4);
        const size_t last = (size_t(kShorter - 1) * kWidth + 5) * 4;
        EXPECT_EQ(PixelAt(received[size_t(i)].bytes.data(), last), Value(i, kShorter - 1, 5));
    }
    EXPECT_EQ(long(received[4].bytes.size()), kSourceBuffer);
}

} // namespace
} // namespace sp
