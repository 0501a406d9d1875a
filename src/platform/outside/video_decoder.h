#pragma once
// VideoDecoder: compressed video samples in, pictures out as RGB32 (bytes B, G, R, X; the first
// row in memory is the bottom row of the picture, as in a bottom-up Windows bitmap, or the top
// row when the caller asks for top-down rows). Uses
// libavcodec with its own threads and libswscale for the conversion. Knows nothing of pins.
//
// Threads: one caller thread at a time (a decoder filter's streaming thread); libavcodec's
// worker threads are internal.
//
// Times are 100 ns units in whatever reference the caller uses for its samples (a frame's
// time is the time of the sample that carried it; missing times are extrapolated from the
// previous frame).
//
// Decoding times: some containers (AVI) time their samples in decoding order only, so with
// B-frames the pictures come out carrying times out of order. While the sample times of a
// stream only ever grow (as decoding times do; presentation times of reordered pictures go
// back), each picture coming out takes the earliest time sent and not yet given to a picture:
// pictures leave the decoder in presentation order, so that is its presentation time.
// Times of samples that gave no picture are forgotten once they lie further behind the
// picture's own sample time than the decoder reorders.
//
// Exact positioning: after setDropBefore(t) (usually after a seek and flush()), frames are
// decoded and held back until a frame starting after t shows up; the first frame delivered is
// then the one on screen at t (the last frame whose start is at or before t, or no more than
// kSameTimeHns after it: timecodes count a time that close to a frame's start as that frame),
// followed by the later ones. Works with B-frames and open GOPs because frames are judged in
// presentation order.
//
// Skipping: while a seek decodes towards its target, samples that start long enough before it
// (kCachedBeforeTargetHns and a frame, more at low frame rates) are decoded only when others refer
// to them (libavcodec's AVDISCARD_NONREF, as players drop frames on a precise seek): nobody
// sees them, and the pictures the cache keeps for steps back (the last second before the
// target) are all decoded. Only when the stream's end is known and the target lies before it,
// so the last picture of a stream is never one skipped. Pictures near a skipped one are not
// cached (the cache must not link across a missing picture). A sample the caller marks unseen
// (nobody will look at its picture) is skipped the same way, at any position, once the sample
// times are known to be presentation times (they went back at least once) and every sample so
// far had one; never within the reorder bound of a known end.
//
// Orientation: when the input type carries a display orientation (mf::PictureOrientation, a
// phone's portrait video stored lying on its side), every picture comes out turned upright:
// sizes, frame infos and the output type are the upright ones.
//
// Variable rate: once a frame lasts other than the input type's average (by its own duration or
// the gap to the next frame), cached pictures cover times only up to the next picture known.
//
// HDR: pictures with the PQ or HLG transfer come out tone-mapped to SDR BT.709 (ToneMapper),
// the small pictures of copyCurrentScaled() too; every other picture is converted by libswscale
// with its own matrix and range.
//
// Failure: open() gives null with a message for a type no decoder handles. A damaged sample is
// skipped (sendPacket() returns false) and decoding goes on with the next.

#include "platform/graph/mediatype.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/frame_cache.h"
#include "platform/outside/frame_pool.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct SwsContext;

namespace sp::outside {

class ToneMapper;
struct PictureSize;

struct VideoFrameInfo {
    int width = 0;
    int height = 0;
    int64_t startHns = kNoTimeHns;
    int64_t durationHns = 0;
    // The picture size differs from the previous frame delivered (always true for the first):
    // the caller renegotiates its output type (outputType()) before copying this frame.
    bool sizeChanged = false;
};

class VideoDecoder {
public:
    // `threads` 0 lets libavcodec choose from the processor count.
    static std::unique_ptr<VideoDecoder> open(const mf::MediaType& input,
                                              std::string* error = nullptr, int threads = 0);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // One compressed sample (startHns may be kNoTimeHns). False when the decoder rejected it.
    // `unseen`: the picture it carries is not needed (see Skipping above).
    bool sendPacket(std::span<const uint8_t> data, int64_t startHns, bool unseen = false);
    // No more samples: the frames still inside the decoder become available (a held-back frame
    // too). Samples sent afterwards start a new run, as after flush().
    void sendEndOfStream();
    // Forgets every frame inside the decoder and those not yet taken; call before samples from
    // a new position. The drop target stays as set; without one, the next frame decoded is
    // the next delivered.
    void flush();
    // The same, but frames are delivered on from the last one delivered (or sought): frames
    // of the new run up to that one are dropped. For a caller that seeks and then sends the
    // samples from the key frame before the target.
    void restartRun();
    // Hold back frames as described above until the frame on screen at targetHns is known.
    // kNoTimeHns switches dropping off.
    void setDropBefore(int64_t targetHns);
    // End of the stream in the callers' times (its duration), kNoTimeHns when unknown: seeks
    // skip pictures (see above) only with a known end.
    void setStreamEnd(int64_t endHns) { streamEnd_ = endHns; }
    // Pictures this long before a seek's target (at least 25) are all decoded and cached;
    // decoding is skipped only for samples further back (by a frame, or by the reorder bound
    // once samples without times were seen). One second: 25 steps back from a typed time
    // need no decoding, and a far seek touches no more fresh memory than that (a full-HD
    // picture is 3 MiB, and the first touch of new memory is much of a seek's cost); a step
    // past it decodes from the key frame again and caches the second before it. With a cache
    // budget of 0 nothing is cached, so only the samples within a frame (or the reorder bound)
    // of the target are all decoded.
    static constexpr int64_t kCachedBeforeTargetHns = 10'000'000;
    // Until resumeRun() or a flush, frames come only from the cache: the frames of the run in
    // progress may belong to another position (the caller does not know yet whether its next
    // samples continue the run).
    void suspendRun() { runSuspended_ = true; }
    void resumeRun() { runSuspended_ = false; }

    // Decoded pictures are kept (FrameCache) up to budgetBytes, so that a seek onto one of them
    // needs no decoding; 0 (the default) keeps none. Only for a caller whose sample times do
    // not repeat (the same time always means the same picture).
    void setCacheBudget(size_t budgetBytes) { cache_.setBudget(budgetBytes); }
    const FrameCache& cache() const { return cache_; }
    // Off: pictures decoded from now on are not kept (nobody will step back onto them), until
    // it is switched on again. On by default.
    void setCaching(bool on);
    // Focus measures (frame_focus.h) of the pictures starting within [fromHns, toHns]: those
    // in the cache now, at once, then each picture as it is decoded, handed to `sink` with the
    // picture's start. An empty sink stops measuring. Pictures in a format without a plane
    // of luma samples are not measured.
    using FocusSink = std::function<void(int64_t startHns, double focus)>;
    void measureFocus(int64_t fromHns, int64_t toHns, FocusSink sink);

    // Pictures libavcodec has put out since open() (skipped ones are not decoded at all).
    size_t decodedPictures() const { return decodedPictures_; }
    // The input type's frame duration, 0 when it gives none.
    int64_t averageFrameHns() const { return avgFrameHns_; }

    // The next frame in presentation order, if one is ready; it becomes the current frame.
    // A frame the cache holds is delivered at once, before any sample is decoded.
    std::optional<VideoFrameInfo> nextFrame();
    // Converts the current frame into `dst`: width * 4 bytes per row, height rows, bottom-up
    // (or top row first with `topDown`). False when there is no current frame or `dst` is too
    // small.
    bool copyCurrentRgb32(std::span<uint8_t> dst, bool topDown = false);
    // Converts the current frame, upright, into a small picture of width × height (each pixel
    // the average of the area it covers): width * 4 bytes per row, top row first. For measures
    // and thumbnails. False without a current frame, for a size below 1 or a `dst` too small.
    bool copyCurrentScaled(std::span<uint8_t> dst, int width, int height);
    // The current frame is tone-mapped (HDR), which costs several times an SDR conversion.
    bool currentCostly() const;
    // Converts the current frame, upright, to 16 bits a channel: R, G, B, X (0xFFFF) as
    // host-order 16-bit samples, `stride` bytes per row, top row first. For a deep still of an
    // SDR picture: false for an HDR (tone-mapped) frame, without a current frame or for a
    // `dst` too small.
    bool copyCurrentRgb64(std::span<uint8_t> dst, ptrdiff_t stride);
    // The upright picture size of the current frame, or the input type's before the first frame.
    int width() const { return width_; }
    int height() const { return height_; }
    // RGB32 VideoInfo type of the current picture size with the input's frame duration.
    mf::MediaType outputType() const;
    // How the stored pictures are turned to come out upright (from the input type).
    mf::PictureOrientation orientation() const { return orientation_; }

private:
    VideoDecoder();
    void receiveFrames();
    void accept(FramePtr frame);
    void measure(const AVFrame& frame, int64_t startHns);
    void newRun();
    FramePtr takeFrameOnScreen();
    FramePtr takeNextFrame();
    FramePtr fromCache(const FrameCache::Entry* entry);
    int64_t frameStart(const AVFrame& frame);
    int64_t frameDuration(const AVFrame& frame) const;
    int64_t durationToCache(const AVFrame& frame);
    void noteSampleTime(int64_t startHns);
    int64_t presentationTime(int64_t ownHns, int64_t durationHns);
    bool decodingTimes() const;
    bool prepareScaler(const AVFrame& frame);
    bool convertRows(const AVFrame& frame, uint8_t* top, ptrdiff_t stride);
    bool convertTurned(const AVFrame& frame, std::span<uint8_t> dst, bool topDown);
    bool convertScaledRows(const AVFrame& frame, uint8_t* top, int stride, const PictureSize& size);
    int64_t reorderBoundHns() const;
    int64_t skipReachHns() const;
    bool skipsUnseen(int64_t startHns) const;
    void chooseSkipping(int64_t startHns, bool unseen);

    FramePool framePool_; // outlives codec_, which the destructor frees first
    AVCodecContext* codec_ = nullptr;
    bool draining_ = false; // sendEndOfStream() ran; the codec needs a flush before new input
    SwsContext* scaler_ = nullptr;
    std::unique_ptr<ToneMapper> toneMapper_; // made for the first HDR picture
    SwsContext* smallScaler_ = nullptr;      // copyCurrentScaled's
    SwsContext* deepScaler_ = nullptr;       // copyCurrentRgb64's
    std::vector<uint8_t> smallBuffer_;       // a small picture before it is turned upright
    FrameCache cache_{0};
    std::deque<FramePtr> ready_; // frames of the current run not yet delivered, in order
    bool runEnded_ = false;      // the current run was drained by an end of stream
    bool runSuspended_ = false;
    FramePtr current_;     // the frame returned last by nextFrame()
    bool seeking_ = false; // the next frame delivered is the one on screen at dropTarget_
    int64_t dropTarget_ = kNoTimeHns;
    bool delivered_ = false; // lastDelivered_ is set: later frames follow it
    int64_t lastDelivered_ = 0;
    int64_t nextStart_ = kNoTimeHns;       // extrapolated start for a frame without a time
    int64_t avgFrameHns_ = 0;              // from the input type; 0 when unknown
    bool durationsVary_ = false;           // a frame lasted other than the average (variable rate)
    int64_t lastCachedStart_ = kNoTimeHns; // the frame cached before, in this run
    int64_t streamEnd_ = kNoTimeHns;
    int64_t uncachedBefore_ = kNoTimeHns; // pictures before it may neighbour a skipped one
    int64_t lastSkipped_ = kNoTimeHns;    // latest sample time skipped in this run
    bool untimedSamples_ = false;         // a sample without a time was seen (for good)
    // Sample times of the run not yet given to a picture, and whether the stream's sample
    // times have only grown so far (they may be decoding times).
    std::multiset<int64_t> unclaimedTimes_;
    int64_t lastSampleTime_ = kNoTimeHns;
    bool growingTimes_ = true;
    bool caching_ = true;
    bool lastCached_ = false; // the last picture decoded went into the cache
    bool linkBroken_ = false; // the next picture cached does not follow the last
    size_t decodedPictures_ = 0;
    FocusSink focusSink_; // measureFocus's, with its range
    int64_t focusFrom_ = 0;
    int64_t focusTo_ = -1;
    mf::PictureOrientation orientation_;
    std::vector<uint8_t> turnBuffer_; // the stored picture before it is turned upright
    int width_ = 0;
    int height_ = 0;
    int deliveredWidth_ = 0;
    int deliveredHeight_ = 0;
};

} // namespace sp::outside
