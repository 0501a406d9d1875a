// The bitmap filter writing each picture once, into the output buffer that its frame then
// borrows (at the canvas's row stride): the pictures sent and the frame kept must be the
// same as with two copies, and the frame must let the buffer go when streaming stops.

#include "bitmap_filter_chain.h"
#include "filters/bitmap_filter.h"

#include "filters/stream_info.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/sample.h"

#include "support/frame_source.h"

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

uint32_t PixelAt(const uint8_t* bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes + offset, 4);
    return value;
}

// Pixel (buffer row r, column c) of frame i holds i << 16 | r << 8 | c.
void PaintFrameRowColumn(int index, const BITMAPINFOHEADER& header, std::span<uint8_t> bytes) {
    const int width = header.biWidth, height = std::abs(header.biHeight);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const uint32_t value = uint32_t(index) << 16 | uint32_t(r) << 8 | uint32_t(c);
            std::memcpy(bytes.data() + size_t(r * width + c) * 4, &value, 4);
        }
}

// Frame i, top row first as the filter writes it, from the bottom-up source rows.
uint32_t Expected(int index, int topRow, int column) {
    return uint32_t(index) << 16 | uint32_t(kHeight - 1 - topRow) << 8 | uint32_t(column);
}

// Marks the top left pixel, as an inlay would draw on the frame.
class MarkingFilter final : public TBitmapFilter {
public:
    MarkingFilter() : TBitmapFilter(kWidth, kHeight) {}
    static constexpr uint32_t kMark = 0x00ABCDEF;

protected:
    void DrawOverlay(TFrameBitmap& frame) override { std::memcpy(frame.Row(0), &kMark, 4); }
};

struct Chain : sptest::BitmapFilterChain {
    Chain(ComPtr<TBitmapFilter> bitmapFilter, int frames)
        : BitmapFilterChain(std::move(bitmapFilter), makeRgb32Type(kWidth, kHeight, k25Fps),
                            frames, k25Fps, PaintFrameRowColumn) {}
};

class BitmapFilterBorrowTest : public ::testing::Test {
protected:
    void SetUp() override { SharedTvData() = TvData{}; }
    void TearDown() override { SharedTvData() = TvData{}; }
};

// Every picture sent holds its own frame (a buffer borrowed by the frame is never written
// while it is on its way), and the frame kept after the stream is the last one.
TEST_F(BitmapFilterBorrowTest, PicturesSentAndFrameKeptAreEachFramesOwn) {
    constexpr int kFrames = 12;
    Chain chain(make<TBitmapFilter>(kWidth, kHeight), kFrames);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        const auto& bytes = received[size_t(i)].bytes;
        ASSERT_GE(bytes.size(), size_t(kWidth) * kHeight * 4);
        EXPECT_EQ(PixelAt(bytes.data(), 0), Expected(i, 0, 0)) << "frame " << i;
        const size_t last = (size_t(kHeight - 1) * kWidth + kWidth - 1) * 4;
        EXPECT_EQ(PixelAt(bytes.data(), last), Expected(i, kHeight - 1, kWidth - 1));
    }
    TFrameBitmap kept;
    chain.filter->CopyCurrentFrame(kept);
    ASSERT_EQ(kept.Width(), kWidth);
    ASSERT_EQ(kept.Height(), kHeight);
    EXPECT_EQ(PixelAt(kept.Row(0), 0), Expected(kFrames - 1, 0, 0));
    EXPECT_EQ(PixelAt(kept.Row(kHeight - 1), 4 * 5), Expected(kFrames - 1, kHeight - 1, 5));
}

// After a stop the output pin can be connected again (no buffer of its allocator is still
// held by the frame) and streams again, and the frame still holds its picture meanwhile.
TEST_F(BitmapFilterBorrowTest, StoppingLetsTheBufferGoAndKeepsThePicture) {
    Chain chain(make<TBitmapFilter>(kWidth, kHeight), 3);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    ASSERT_EQ(chain.graph->Disconnect(chain.filter->output()), S_OK);
    ASSERT_EQ(chain.graph->Disconnect(chain.sink->input()), S_OK);
    TFrameBitmap kept;
    chain.filter->CopyCurrentFrame(kept);
    ASSERT_FALSE(kept.Empty());
    EXPECT_EQ(PixelAt(kept.Row(0), 0), Expected(2, 0, 0));
    ASSERT_EQ(chain.graph->ConnectDirect(chain.filter->output(), chain.sink->input(), nullptr),
              S_OK);
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(PixelAt(received[1].bytes.data(), 0), Expected(1, 0, 0));
}

// What is drawn on the frame is in the picture sent, with the flips applied before it.
TEST_F(BitmapFilterBorrowTest, DrawingAndFlipsReachThePictureSent) {
    auto filter = make<MarkingFilter>();
    filter->SetInlay(true);
    filter->SetFlipVertical(true);
    filter->SetFlipHorizontal(true);
    Chain chain(filter, 2);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), 2u);
    const uint8_t* bytes = received[1].bytes.data();
    EXPECT_EQ(PixelAt(bytes, 0), MarkingFilter::kMark);
    // Both flips: top row 0 is source row 0 reversed, so its second pixel is column 62.
    EXPECT_EQ(PixelAt(bytes, 4), uint32_t(1) << 16 | uint32_t(0) << 8 | uint32_t(kWidth - 2));
    TFrameBitmap kept;
    filter->CopyCurrentFrame(kept);
    EXPECT_EQ(PixelAt(kept.Row(0), 0), MarkingFilter::kMark);
    EXPECT_EQ(PixelAt(kept.Row(1), 0), uint32_t(1) << 16 | uint32_t(1) << 8 | uint32_t(kWidth - 1));
}

// A canvas wider than the frame: each picture sent holds the frame's rows at the canvas's
// stride, and the frame kept (borrowed at that stride, then its own copy after the stop) reads
// back row for row.
TEST_F(BitmapFilterBorrowTest, WiderCanvasRowsLandAtTheCanvasStride) {
    constexpr int kCanvas = kWidth + 16;
    constexpr int kFrames = 4;
    Chain chain(make<TBitmapFilter>(kCanvas, kHeight), kFrames);
    ASSERT_TRUE(chain.Connect());
    ASSERT_TRUE(chain.RunToEnd());
    const auto received = chain.sink->received();
    ASSERT_EQ(received.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        const auto& bytes = received[size_t(i)].bytes;
        ASSERT_GE(bytes.size(), size_t(kCanvas) * (kHeight - 1) * 4 + kWidth * 4);
        for (int r : {0, 1, kHeight - 1}) {
            const size_t row = size_t(r) * kCanvas * 4;
            EXPECT_EQ(PixelAt(bytes.data(), row), Expected(i, r, 0)) << i << " row " << r;
            EXPECT_EQ(PixelAt(bytes.data(), row + (kWidth - 1) * 4), Expected(i, r, kWidth - 1));
        }
    }
    TFrameBitmap kept;
    chain.filter->CopyCurrentFrame(kept);
    ASSERT_EQ(kept.Width(), kWidth);
    EXPECT_EQ(kept.Stride(), size_t(kWidth) * 4);
    for (int r = 0; r < kHeight; ++r)
        ASSERT_EQ(PixelAt(kept.Row(r), (kWidth - 1) * 4), Expected(kFrames - 1, r, kWidth - 1))
            << "row " << r;
}

// The frame's own borrowing rules: same size keeps a borrowed picture, another size drops it,
// KeepOwnCopy keeps the pixels and lets the sample go.
TEST(FrameBitmapBorrow, BorrowKeepAndResize) {
    ComPtr<MemAllocator> allocator = make<MemAllocator>();
    AllocatorProperties props{1, 4 * 4 * 4, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(props, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample), S_OK);
    std::memset(sample->GetPointer(), 7, 64);

    TFrameBitmap frame;
    EXPECT_FALSE(frame.Borrow(sample, sample->GetPointer())); // empty frame
    ASSERT_TRUE(frame.SetSize(4, 4));
    ASSERT_TRUE(frame.Borrow(sample, sample->GetPointer()));
    EXPECT_EQ(frame.Bits(), sample->GetPointer());
    ASSERT_TRUE(frame.SetSize(4, 4));
    EXPECT_TRUE(frame.Borrowing());
    frame.KeepOwnCopy();
    EXPECT_FALSE(frame.Borrowing());
    EXPECT_NE(frame.Bits(), sample->GetPointer());
    EXPECT_EQ(frame.Row(3)[15], 7);
    sample = nullptr;
    ComPtr<IMediaSample> again; // the only buffer is free again: the frame let it go
    ASSERT_EQ(allocator->GetBuffer(&again), S_OK);
    ASSERT_TRUE(frame.Borrow(again, again->GetPointer()));
    ASSERT_TRUE(frame.SetSize(2, 2));
    EXPECT_FALSE(frame.Borrowing());
    EXPECT_EQ(frame.Row(1)[7], 0); // a new size starts black
    again = nullptr;
    allocator->Decommit();
}

// A picture borrowed with rows further apart than its width: rows are found at that stride, a
// stride shorter than a row is refused, and both copies out have rows with no padding.
TEST(FrameBitmapBorrow, PaddedRows) {
    ComPtr<MemAllocator> allocator = make<MemAllocator>();
    AllocatorProperties props{1, 3 * 24, 1, 0}, actual; // 3 rows of 6 pixels, 4 of them used
    ASSERT_EQ(allocator->SetProperties(props, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample), S_OK);
    for (int i = 0; i < 3 * 24; ++i)
        sample->GetPointer()[i] = uint8_t(i);

    TFrameBitmap frame;
    ASSERT_TRUE(frame.SetSize(4, 3));
    EXPECT_FALSE(frame.Borrow(sample, sample->GetPointer(), 12)); // shorter than a row
    ASSERT_TRUE(frame.Borrow(sample, sample->GetPointer(), 24));
    EXPECT_EQ(frame.Stride(), 24u);
    EXPECT_EQ(frame.Row(2)[0], 48);
    TFrameBitmap copy;
    frame.CopyTo(copy);
    EXPECT_EQ(copy.Stride(), 16u);
    EXPECT_EQ(copy.Row(1)[0], 24);
    EXPECT_EQ(copy.Row(2)[15], 48 + 15);
    frame.KeepOwnCopy();
    EXPECT_FALSE(frame.Borrowing());
    EXPECT_EQ(frame.Stride(), 16u);
    EXPECT_EQ(frame.Row(2)[15], 48 + 15);
    sample = nullptr;
    allocator->Decommit();
}

} // namespace
} // namespace sp
