#include "platform/outside/frame_timeline.h"

#include "platform/outside/demuxer.h"

#include <gtest/gtest.h>

#include <vector>

namespace sp::outside {
namespace {

constexpr int64_t k30 = 333333; // one frame at 30 per second

// A 30 fps source with every third frame dropped, read in decoding order with two B-frames
// between references (I0 P3 B1 B2 ...), decoding times a frame behind: {start, decode}.
std::vector<std::pair<int64_t, int64_t>> droppedFramesInDecodingOrder(int count) {
    std::vector<int64_t> shown;
    for (int n = 0; shown.size() < size_t(count); ++n)
        if (n % 3 != 2) shown.push_back(n * k30);
    std::vector<std::pair<int64_t, int64_t>> packets;
    for (size_t i = 0; i < shown.size(); i += 3) {
        const size_t reference = std::min(i + 2, shown.size() - 1);
        packets.push_back({shown[reference], 0});
        for (size_t b = i; b < reference; ++b)
            packets.push_back({shown[b], 0});
    }
    for (size_t i = 0; i < packets.size(); ++i)
        packets[i].second = int64_t(i) * k30 - k30; // grows, never after its frame's start
    return packets;
}

TEST(FrameTimeline, NeighboursAreTheFramesThatExistOnceEveryFrameBetweenWasRead) {
    FrameTimeline timeline;
    const auto packets = droppedFramesInDecodingOrder(30);
    for (size_t i = 0; i < 4; ++i) // the frames at 3, 0, 1 and 7 thirtieths
        timeline.add(packets[i].first, packets[i].second);
    // Frame 0 (at 0) to frame 1 (1/30): known; past frame 1 the next packets are unread.
    EXPECT_EQ(timeline.neighbour(0, true), k30);
    EXPECT_EQ(timeline.frameAt(k30 + 100), k30);
    EXPECT_EQ(timeline.neighbour(k30, true), std::nullopt);
    for (size_t i = 4; i < packets.size(); ++i)
        timeline.add(packets[i].first, packets[i].second);
    // Frames at 1, 3, 4 and 6 thirtieths: steps pass over the dropped 2 and 5, and stay inside.
    EXPECT_EQ(timeline.neighbour(k30, true), 3 * k30);
    EXPECT_EQ(timeline.neighbour(2 * k30, true), 3 * k30); // on screen at 2/30: frame 1
    EXPECT_EQ(timeline.neighbour(3 * k30, false), k30);
    EXPECT_EQ(timeline.frameAt(3 * k30 - 150), 3 * k30); // within the rounding allowance
    EXPECT_EQ(timeline.frameAt(3 * k30 - 250), k30);
    EXPECT_EQ(timeline.neighbour(0, false), std::nullopt); // nothing before the run's start
    // The last frames read are not known complete until the end of the stream.
    const int64_t last = packets[packets.size() - 2].first;
    EXPECT_EQ(timeline.neighbour(last, true), std::nullopt);
    timeline.endOfStream();
    EXPECT_NE(timeline.neighbour(last, true), std::nullopt);
}

TEST(FrameTimeline, RunsFromElsewhereDoNotJoinAcrossWhatWasNotRead) {
    FrameTimeline timeline;
    for (int n = 0; n < 40; ++n)
        timeline.add(n * k30, n * k30); // no reordering
    timeline.beginRun();
    for (int n = 300; n < 340; ++n)
        timeline.add(n * k30, kNoTimeHns); // no decoding times: complete 16 frames behind
    EXPECT_EQ(timeline.neighbour(20 * k30, true), 21 * k30);
    EXPECT_EQ(timeline.neighbour(39 * k30 - 1, true), std::nullopt); // 40..299 never read
    EXPECT_EQ(timeline.frameAt(100 * k30), std::nullopt);
    EXPECT_EQ(timeline.neighbour(310 * k30, false), 309 * k30);
    EXPECT_EQ(timeline.neighbour(300 * k30, false), std::nullopt); // the run's first frame
    EXPECT_EQ(timeline.neighbour(322 * k30, true), 323 * k30);
    EXPECT_EQ(timeline.neighbour(324 * k30, true), std::nullopt); // within the last 16 read
    // A run with a packet of unknown time tells nothing: that frame may lie anywhere.
    timeline.beginRun();
    for (int n = 500; n < 540; ++n)
        timeline.add(n == 510 ? kNoTimeHns : n * k30, n * k30);
    EXPECT_EQ(timeline.neighbour(505 * k30, true), std::nullopt);
    timeline.clear();
    EXPECT_EQ(timeline.frameAt(20 * k30), std::nullopt);
}

} // namespace
} // namespace sp::outside
