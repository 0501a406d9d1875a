#include "platform/outside/frame_cache.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

namespace sp::outside {
namespace {

constexpr int64_t kFrame = 400000;

FramePtr picture() {
    FramePtr f(av_frame_alloc());
    f->format = 0; // AV_PIX_FMT_YUV420P
    f->width = 64;
    f->height = 64;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    return f;
}

size_t pictureBytes() {
    FramePtr f = picture();
    size_t bytes = 0;
    for (const AVBufferRef* b : f->buf)
        if (b) bytes += b->size;
    return bytes;
}

// Frames first..last (frame numbers) handed in as one run.
void addRun(FrameCache& cache, int first, int last, int64_t duration = kFrame) {
    cache.beginRun();
    FramePtr f = picture();
    for (int n = first; n <= last; ++n)
        cache.add(*f, n * kFrame, duration);
}

TEST(FrameCache, APictureIsOnScreenOnlyWhereTheCacheKnowsItIs) {
    FrameCache cache;
    addRun(cache, 10, 20, 0); // durations unknown: only the run's links tell
    for (int n = 10; n < 20; ++n) {
        ASSERT_NE(cache.onScreenAt(n * kFrame + kFrame / 2), nullptr);
        EXPECT_EQ(cache.onScreenAt(n * kFrame + kFrame / 2)->startHns, n * kFrame);
        ASSERT_NE(cache.after(n * kFrame), nullptr);
        EXPECT_EQ(cache.after(n * kFrame)->startHns, (n + 1) * kFrame);
    }
    // A time within 20 µs before a picture's start is that picture.
    EXPECT_EQ(cache.onScreenAt(15 * kFrame - kSameTimeHns)->startHns, 15 * kFrame);
    EXPECT_EQ(cache.onScreenAt(15 * kFrame - kSameTimeHns - 1)->startHns, 14 * kFrame);
    // Nothing before the first, and the last one's successor is not known yet.
    EXPECT_EQ(cache.onScreenAt(10 * kFrame - 1000), nullptr);
    EXPECT_EQ(cache.onScreenAt(20 * kFrame + 1000), nullptr);
    EXPECT_EQ(cache.after(20 * kFrame), nullptr);

    // Another run further on: the gap between the two is never bridged by a guess.
    addRun(cache, 30, 35, 0);
    EXPECT_EQ(cache.onScreenAt(25 * kFrame), nullptr);
    EXPECT_EQ(cache.after(20 * kFrame), nullptr);
    // A run that fills the gap links everything up.
    addRun(cache, 18, 31, 0);
    EXPECT_EQ(cache.onScreenAt(25 * kFrame)->startHns, 25 * kFrame);
    EXPECT_EQ(cache.after(20 * kFrame)->startHns, 21 * kFrame);
    EXPECT_EQ(cache.after(31 * kFrame)->startHns, 32 * kFrame);

    // With a known duration a picture covers its own span; the end of stream covers the rest.
    FrameCache timed;
    addRun(timed, 0, 3);
    EXPECT_EQ(timed.onScreenAt(3 * kFrame + kFrame / 2)->startHns, 3 * kFrame);
    EXPECT_EQ(timed.onScreenAt(4 * kFrame), nullptr);
    timed.endOfStream();
    EXPECT_EQ(timed.onScreenAt(100 * kFrame)->startHns, 3 * kFrame);
}

TEST(FrameCache, TheBudgetHoldsAndThePicturesNearestTheFocusStay) {
    const size_t bytes = pictureBytes();
    FrameCache cache(bytes * 8);
    cache.setFocus(100 * kFrame); // decoding from a key frame at 0 towards frame 100
    addRun(cache, 0, 100);
    EXPECT_EQ(cache.count(), 8u);
    EXPECT_LE(cache.bytes(), cache.budget());
    for (int n = 93; n <= 100; ++n)
        EXPECT_NE(cache.onScreenAt(n * kFrame), nullptr) << n;
    EXPECT_EQ(cache.onScreenAt(92 * kFrame), nullptr);

    // A picture farther from the focus than all the others is not taken in.
    addRun(cache, 0, 0);
    EXPECT_EQ(cache.onScreenAt(0), nullptr);
    EXPECT_EQ(cache.count(), 8u);

    // Stepping back moves the focus: refilling from the key frame keeps the new neighbourhood.
    cache.setFocus(50 * kFrame);
    addRun(cache, 40, 60);
    for (int n = 47; n <= 53; ++n)
        EXPECT_NE(cache.onScreenAt(n * kFrame), nullptr) << n;
    EXPECT_LE(cache.bytes(), cache.budget());

    // A smaller budget evicts at once; no budget keeps nothing.
    cache.setBudget(bytes * 2);
    EXPECT_EQ(cache.count(), 2u);
    cache.setBudget(0);
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_EQ(cache.bytes(), 0u);
    addRun(cache, 0, 5);
    EXPECT_EQ(cache.count(), 0u);
}

TEST(FrameCache, CachedPicturesOutliveTheirRunAndAreSharedNotCopied) {
    FrameCache cache;
    cache.beginRun();
    FramePtr f = picture();
    f->data[0][0] = 77;
    cache.add(*f, 0, kFrame);
    f.reset(); // the decoder lets go of its picture
    const FrameCache::Entry* e = cache.onScreenAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->frame->data[0][0], 77);
    // The same time again keeps the first picture.
    FramePtr other = picture();
    other->data[0][0] = 11;
    cache.add(*other, 0, kFrame);
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(cache.onScreenAt(0)->frame->data[0][0], 77);
    cache.clear();
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_EQ(cache.bytes(), 0u);
}

} // namespace
} // namespace sp::outside
