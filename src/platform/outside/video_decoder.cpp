#include "platform/outside/video_decoder.h"

#include "platform/outside/decoder_context.h"
#include "platform/outside/frame_focus.h"
#include "platform/outside/picture_scaler.h"
#include "platform/outside/picture_turn.h"
#include "platform/outside/tone_mapper.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace sp::outside {

VideoDecoder::VideoDecoder() = default;

VideoDecoder::~VideoDecoder() {
    sws_freeContext(scaler_);
    sws_freeContext(smallScaler_);
    sws_freeContext(deepScaler_);
    avcodec_free_context(&codec_);
}

std::unique_ptr<VideoDecoder> VideoDecoder::open(const mf::MediaType& input, std::string* error,
                                                 int threads) {
    std::unique_ptr<VideoDecoder> d(new VideoDecoder());
    AVCodecContext* context =
        openDecoderContext(input, AVMEDIA_TYPE_VIDEO, threads, error,
                           [&](AVCodecContext* c) { d->framePool_.attach(c); });
    if (!context) return nullptr;
    d->codec_ = context;
    d->orientation_ = input.orientation();
    if (auto bih = input.bitmapHeader()) {
        const PictureSize up = uprightSize(bih->biWidth, std::abs(bih->biHeight), d->orientation_);
        d->width_ = up.width;
        d->height_ = up.height;
    }
    if (auto vih = input.formatAs<mf::VIDEOINFOHEADER>(); vih && input.bitmapHeader())
        d->avgFrameHns_ = vih->AvgTimePerFrame; // same offset in VIDEOINFOHEADER2
    return d;
}

bool VideoDecoder::sendPacket(std::span<const uint8_t> data, int64_t startHns, bool unseen) {
    if (draining_) { // samples after an end of stream: a new run, delivered in order
        newRun();
        delivered_ = false;
    }
    chooseSkipping(startHns, unseen);
    noteSampleTime(startHns);
    return sendDecoderPacket(codec_, data, startHns, draining_, [this] { receiveFrames(); });
}

// How far a picture's presentation time may lie after its sample's time (a container giving
// decoding times): H.264 reorders at most 16 pictures.
int64_t VideoDecoder::reorderBoundHns() const {
    return std::max<int64_t>(10'000'000, 20 * avgFrameHns_);
}

// How far after a skipped sample's time the pictures lie that may neighbour the missing one.
// Pictures carry their own samples' times, so only the next one does; but a sample without a
// time takes it from the picture before, which may be the missing one: then the wide bound.
int64_t VideoDecoder::skipReachHns() const {
    return untimedSamples_ || avgFrameHns_ <= 0 ? reorderBoundHns() : avgFrameHns_;
}

// An unseen sample's picture may be left out when its time is the picture's own: the times
// have gone back (so they are presentation times, not decoding times) and none was missing
// (a picture without a time would take it from the missing one).
bool VideoDecoder::skipsUnseen(int64_t startHns) const {
    return startHns != kNoTimeHns && !growingTimes_ && !untimedSamples_ &&
           streamEnd_ != kNoTimeHns && startHns + reorderBoundHns() <= streamEnd_;
}

void VideoDecoder::chooseSkipping(int64_t startHns, bool unseen) {
    if (startHns == kNoTimeHns && !untimedSamples_) {
        untimedSamples_ = true;
        if (lastSkipped_ != kNoTimeHns)
            uncachedBefore_ = std::max(uncachedBefore_, lastSkipped_ + reorderBoundHns());
    }
    const int64_t reorder = reorderBoundHns();
    const int64_t reach = skipReachHns();
    // Every picture from a second (25 pictures) before the target on is decoded and cached;
    // with no cache to fill, only the pictures that finding the target needs.
    const int64_t kept =
        cache_.budget() > 0 ? std::max(kCachedBeforeTargetHns, 25 * avgFrameHns_) : 0;
    const int64_t before = kept + reach;
    // Skipped pictures would leave their decoding times unclaimed among those of the others.
    const bool beforeTarget = seeking_ && !decodingTimes() && dropTarget_ != kNoTimeHns &&
                              streamEnd_ != kNoTimeHns && dropTarget_ + reorder <= streamEnd_ &&
                              startHns != kNoTimeHns && startHns < dropTarget_ - before;
    const bool skip = beforeTarget || (unseen && skipsUnseen(startHns));
    codec_->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    if (!skip) return;
    lastSkipped_ = std::max(lastSkipped_ == kNoTimeHns ? startHns : lastSkipped_, startHns);
    const int64_t neighbours = startHns + reach;
    if (uncachedBefore_ == kNoTimeHns || neighbours > uncachedBefore_) uncachedBefore_ = neighbours;
}

void VideoDecoder::sendEndOfStream() {
    avcodec_send_packet(codec_, nullptr);
    draining_ = true;
    receiveFrames();
    if (lastCached_) cache_.endOfStream(); // else the cache's last picture is not the stream's
    runEnded_ = true;
}

void VideoDecoder::newRun() {
    avcodec_flush_buffers(codec_);
    draining_ = false;
    ready_.clear();
    runEnded_ = false;
    runSuspended_ = false;
    nextStart_ = kNoTimeHns;
    uncachedBefore_ = kNoTimeHns;
    lastSkipped_ = kNoTimeHns;
    linkBroken_ = false;
    unclaimedTimes_.clear();
    lastSampleTime_ = kNoTimeHns;
    lastCachedStart_ = kNoTimeHns;
    cache_.beginRun();
}

void VideoDecoder::flush() {
    newRun();
    current_.reset();
    delivered_ = false;
}

void VideoDecoder::restartRun() {
    newRun();
}

void VideoDecoder::setCaching(bool on) {
    if (on && !caching_) linkBroken_ = true; // pictures decoded meanwhile are missing
    caching_ = on;
}

void VideoDecoder::setDropBefore(int64_t targetHns) {
    seeking_ = targetHns != kNoTimeHns;
    dropTarget_ = targetHns;
    if (!seeking_)
        delivered_ = false;
    else
        cache_.setFocus(targetHns);
}

void VideoDecoder::receiveFrames() {
    for (;;) {
        FramePtr frame(av_frame_alloc());
        if (!frame || avcodec_receive_frame(codec_, frame.get()) < 0) return;
        ++decodedPictures_;
        accept(std::move(frame));
    }
}

int64_t VideoDecoder::frameDuration(const AVFrame& frame) const {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    const int64_t own = frame.duration;
#else
    const int64_t own = frame.pkt_duration;
#endif
    if (own > 0) return own;
    if (avgFrameHns_ > 0) return avgFrameHns_;
    if (codec_->framerate.num > 0 && codec_->framerate.den > 0)
        return av_rescale(10'000'000, codec_->framerate.den, codec_->framerate.num);
    return 0;
}

int64_t VideoDecoder::frameStart(const AVFrame& frame) {
    int64_t start = frame.best_effort_timestamp;
    if (start == AV_NOPTS_VALUE) start = frame.pts;
    const int64_t duration = frameDuration(frame);
    if (start == AV_NOPTS_VALUE)
        start = nextStart_;
    else
        start = presentationTime(start, duration);
    nextStart_ = start == kNoTimeHns || duration <= 0 ? kNoTimeHns : start + duration;
    return start == AV_NOPTS_VALUE ? kNoTimeHns : start;
}

void VideoDecoder::noteSampleTime(int64_t startHns) {
    if (startHns == kNoTimeHns || !growingTimes_) return;
    if (lastSampleTime_ != kNoTimeHns && startHns < lastSampleTime_) {
        growingTimes_ = false; // presentation times: every picture keeps its own
        unclaimedTimes_.clear();
        return;
    }
    lastSampleTime_ = startHns;
    unclaimedTimes_.insert(startHns);
}

bool VideoDecoder::decodingTimes() const {
    return growingTimes_ && codec_->has_b_frames > 0;
}

// A picture whose sample is at `ownHns` in decoding order is shown no more than the decoder's
// reorder depth of pictures before it; earlier unclaimed times belong to samples that gave
// none. The earliest time left is this picture's (its own when nothing is reordered; a
// reference picture's own decoding time went to the pictures shown before it).
int64_t VideoDecoder::presentationTime(int64_t ownHns, int64_t durationHns) {
    if (!growingTimes_ || ownHns == kNoTimeHns || unclaimedTimes_.empty()) return ownHns;
    const int64_t reach =
        int64_t(std::max(codec_->has_b_frames, 0)) * durationHns + durationHns / 2;
    while (!unclaimedTimes_.empty() && *unclaimedTimes_.begin() < ownHns - reach)
        unclaimedTimes_.erase(unclaimedTimes_.begin());
    if (unclaimedTimes_.empty()) return ownHns;
    const int64_t earliest = *unclaimedTimes_.begin();
    unclaimedTimes_.erase(unclaimedTimes_.begin());
    return earliest;
}

// Frames come out of the decoder in presentation order.
void VideoDecoder::accept(FramePtr frame) {
    frame->pts = frameStart(*frame);
    lastCached_ = false;
    if (frame->pts != kNoTimeHns && uncachedBefore_ != kNoTimeHns && frame->pts < uncachedBefore_) {
        linkBroken_ = true; // a picture before or after it may have been skipped
    } else if (frame->pts != kNoTimeHns && caching_) {
        if (linkBroken_) {
            cache_.beginRun();
            lastCachedStart_ = kNoTimeHns;
        }
        linkBroken_ = false;
        cache_.add(*frame, frame->pts, durationToCache(*frame));
        lastCached_ = true;
    }
    measure(*frame, frame->pts);
    ready_.push_back(std::move(frame));
}

void VideoDecoder::measureFocus(int64_t fromHns, int64_t toHns, FocusSink sink) {
    focusSink_ = std::move(sink);
    focusFrom_ = fromHns;
    focusTo_ = toHns;
    if (!focusSink_) return;
    for (const FrameCache::Entry* entry : cache_.between(fromHns, toHns))
        measure(*entry->frame, entry->startHns);
}

void VideoDecoder::measure(const AVFrame& frame, int64_t startHns) {
    if (!focusSink_ || startHns == kNoTimeHns || startHns < focusFrom_ || startHns > focusTo_)
        return;
    const int uprightWidth = uprightSize(frame.width, frame.height, orientation_).width;
    if (const auto focus = LumaFocus(frame, uprightWidth)) focusSink_(startHns, *focus);
}

// A frame's duration tells the cache which times it covers without decoding the next frame.
// At a variable rate neither the average nor the durations a container gives (gaps between
// decoding times, which with reordered pictures belong to other frames) say that: once a
// frame lasts other than the average, frames last until the next one known.
int64_t VideoDecoder::durationToCache(const AVFrame& frame) {
    const auto varies = [this](int64_t d) {
        return avgFrameHns_ > 0 && d > 0 && std::abs(d - avgFrameHns_) * 100 > avgFrameHns_;
    };
    if (!durationsVary_ &&
        (varies(frameDuration(frame)) ||
         (lastCachedStart_ != kNoTimeHns && varies(frame.pts - lastCachedStart_)))) {
        durationsVary_ = true;
        cache_.forgetDurations();
    }
    lastCachedStart_ = frame.pts;
    return durationsVary_ ? 0 : frameDuration(frame);
}

FramePtr VideoDecoder::fromCache(const FrameCache::Entry* entry) {
    return entry ? FramePtr(av_frame_clone(entry->frame.get())) : nullptr;
}

// The frame on screen at dropTarget_: from the cache, else the last frame of the run starting
// at or before the target once a later one (or the end) shows it is the last (the first frame
// of the run when even that starts later).
FramePtr VideoDecoder::takeFrameOnScreen() {
    if (FramePtr cached = fromCache(cache_.onScreenAt(dropTarget_))) return cached;
    if (runSuspended_) return nullptr;
    const int64_t limit = dropTarget_ + kSameTimeHns;
    while (ready_.size() >= 2 && ready_[1]->pts <= limit)
        ready_.pop_front();
    if (ready_.empty()) return nullptr;
    if (ready_.size() >= 2 || runEnded_ || ready_.front()->pts > limit) {
        FramePtr frame = std::move(ready_.front());
        ready_.pop_front();
        return frame;
    }
    return nullptr;
}

// The frame after the last one delivered: the cache's when it knows it, else the run's next.
FramePtr VideoDecoder::takeNextFrame() {
    if (delivered_)
        if (FramePtr cached = fromCache(cache_.after(lastDelivered_))) return cached;
    if (runSuspended_) return nullptr;
    while (delivered_ && !ready_.empty() && ready_.front()->pts != kNoTimeHns &&
           ready_.front()->pts <= lastDelivered_ + kSameTimeHns)
        ready_.pop_front(); // delivered already (from the cache), or before it
    if (ready_.empty()) return nullptr;
    FramePtr frame = std::move(ready_.front());
    ready_.pop_front();
    return frame;
}

std::optional<VideoFrameInfo> VideoDecoder::nextFrame() {
    FramePtr frame = seeking_ ? takeFrameOnScreen() : takeNextFrame();
    if (!frame) return std::nullopt;
    seeking_ = false;
    current_ = std::move(frame);
    if (current_->pts != kNoTimeHns) {
        delivered_ = true;
        lastDelivered_ = current_->pts;
        cache_.setFocus(lastDelivered_);
    }
    VideoFrameInfo info;
    const PictureSize up = uprightSize(current_->width, current_->height, orientation_);
    info.width = up.width;
    info.height = up.height;
    info.startHns = current_->pts;
    info.durationHns = frameDuration(*current_);
    info.sizeChanged = info.width != deliveredWidth_ || info.height != deliveredHeight_;
    width_ = deliveredWidth_ = info.width;
    height_ = deliveredHeight_ = info.height;
    return info;
}

bool VideoDecoder::prepareScaler(const AVFrame& f) {
    scaler_ = scalerFor(scaler_, f, f.height, f.width, f.height, AV_PIX_FMT_BGRA, SWS_BILINEAR);
    return scaler_ != nullptr;
}

// Rows of the picture as stored, `stride` bytes apart from its top row at `top`. HDR pictures
// are tone-mapped; should that fail, they are converted as SDR rather than not at all.
bool VideoDecoder::convertRows(const AVFrame& f, uint8_t* top, ptrdiff_t stride) {
    if (ToneMapper::isHdr(f)) {
        if (!toneMapper_) toneMapper_ = std::make_unique<ToneMapper>();
        if (toneMapper_->convert(f, top, stride)) return true;
    }
    if (!prepareScaler(f)) return false;
    uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
    int strides[4] = {int(stride), 0, 0, 0};
    return sws_scale(scaler_, f.data, f.linesize, 0, f.height, planes, strides) == f.height;
}

// The picture averaged down to `size`, tone-mapped as convertRows() does.
bool VideoDecoder::convertScaledRows(const AVFrame& f, uint8_t* top, int stride,
                                     const PictureSize& size) {
    if (ToneMapper::isHdr(f)) {
        if (!toneMapper_) toneMapper_ = std::make_unique<ToneMapper>();
        if (toneMapper_->convertScaled(f, top, stride, size.width, size.height)) return true;
    }
    smallScaler_ =
        scalerFor(smallScaler_, f, f.height, size.width, size.height, AV_PIX_FMT_BGRA, SWS_AREA);
    if (!smallScaler_) return false;
    uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    return sws_scale(smallScaler_, f.data, f.linesize, 0, f.height, planes, strides) == size.height;
}

// A picture to turn is converted top row first into turnBuffer_, then turned into `dst`.
bool VideoDecoder::convertTurned(const AVFrame& f, std::span<uint8_t> dst, bool topDown) {
    const size_t stride = size_t(f.width) * 4;
    turnBuffer_.resize(stride * size_t(f.height));
    if (!convertRows(f, turnBuffer_.data(), ptrdiff_t(stride))) return false;
    const PictureSize up = uprightSize(f.width, f.height, orientation_);
    const ptrdiff_t upStride = ptrdiff_t(up.width) * 4;
    uint8_t* top = topDown ? dst.data() : dst.data() + upStride * (up.height - 1);
    turnPicture(turnBuffer_.data(), f.width, f.height, ptrdiff_t(stride), orientation_, top,
                topDown ? upStride : -upStride);
    return true;
}

bool VideoDecoder::copyCurrentRgb32(std::span<uint8_t> dst, bool topDown) {
    if (!current_) return false;
    const AVFrame& f = *current_;
    const size_t stride = size_t(f.width) * 4;
    if (f.width <= 0 || f.height <= 0 || dst.size() < stride * size_t(f.height)) return false;
    if (!orientation_.upright()) return convertTurned(f, dst, topDown);
    // Writing from the last row upwards with a negative stride gives the bottom-up layout.
    uint8_t* first = topDown ? dst.data() : dst.data() + stride * size_t(f.height - 1);
    return convertRows(f, first, topDown ? ptrdiff_t(stride) : -ptrdiff_t(stride));
}

bool VideoDecoder::copyCurrentScaled(std::span<uint8_t> dst, int width, int height) {
    if (!current_ || width < 1 || height < 1) return false;
    const size_t stride = size_t(width) * 4;
    if (dst.size() < stride * size_t(height)) return false;
    const AVFrame& f = *current_;
    if (f.width <= 0 || f.height <= 0) return false;
    // A quarter turn swaps the sides, both ways: the stored small size is the upright one turned.
    const PictureSize stored = uprightSize(width, height, orientation_);
    const bool upright = orientation_.upright();
    const int storedStride = stored.width * 4;
    if (!upright) smallBuffer_.resize(size_t(storedStride) * size_t(stored.height));
    uint8_t* storedTop = upright ? dst.data() : smallBuffer_.data();
    if (!convertScaledRows(f, storedTop, storedStride, stored)) return false;
    if (!upright)
        turnPicture(smallBuffer_.data(), stored.width, stored.height, storedStride, orientation_,
                    dst.data(), ptrdiff_t(stride));
    return true;
}

bool VideoDecoder::currentCostly() const {
    return current_ && ToneMapper::isHdr(*current_);
}

// The same matrix, range and chroma interpolation as the 8-bit pictures, with exact rounding,
// so the picture is the 8-bit one with its finer steps kept.
bool VideoDecoder::copyCurrentRgb64(std::span<uint8_t> dst, ptrdiff_t stride) {
    if (!current_) return false;
    const AVFrame& f = *current_;
    const PictureSize up = uprightSize(f.width, f.height, orientation_);
    if (f.width <= 0 || f.height <= 0 || ToneMapper::isHdr(f) || stride < ptrdiff_t(up.width) * 8 ||
        dst.size() < size_t(stride) * size_t(up.height))
        return false;
    deepScaler_ = scalerFor(deepScaler_, f, f.height, f.width, f.height, AV_PIX_FMT_RGBA64,
                            SWS_BILINEAR | SWS_ACCURATE_RND);
    if (!deepScaler_) return false;
    const bool upright = orientation_.upright();
    const int storedStride = upright ? int(stride) : f.width * 8;
    if (!upright) turnBuffer_.resize(size_t(storedStride) * size_t(f.height));
    uint8_t* planes[4] = {upright ? dst.data() : turnBuffer_.data(), nullptr, nullptr, nullptr};
    int strides[4] = {storedStride, 0, 0, 0};
    if (sws_scale(deepScaler_, f.data, f.linesize, 0, f.height, planes, strides) != f.height)
        return false;
    if (!upright)
        turnPicture(turnBuffer_.data(), f.width, f.height, storedStride, orientation_, dst.data(),
                    stride, 8);
    return true;
}

mf::MediaType VideoDecoder::outputType() const {
    return mf::makeRgb32Type(width_, height_, avgFrameHns_);
}

} // namespace sp::outside
