#pragma once
// Video decoder filter: every compressed video FFmpeg decodes, to MEDIASUBTYPE_RGB32 pictures
// (bottom-up; FORMAT_VideoInfo2 carrying the picture aspect is offered first, then
// FORMAT_VideoInfo). Registered as "ffdshow Video Decoder" (and, for dvsd only, as the DV
// Video Decoder by the DV registration).
//
// Orientation: pictures of an input type carrying a display orientation (a phone's portrait
// video) are turned upright; the output types describe the upright size and picture aspect and
// keep the orientation, so that a describer downstream knows the stored size.
//
// Row order: the same two types with a negative bitmap height (top row first) are offered after
// them, for a downstream filter that asks for them by type; connected so, the pictures are
// converted top row first (no downstream filter then has to turn the rows around).
//
// Streaming: each input sample is decoded at once; every picture that comes out is converted
// straight into an output sample and delivered with its own times (decoder order is
// presentation order). After a new segment, pictures before the segment start are decoded
// and dropped, except the one on screen at the start, which is delivered first (with its
// negative time). A picture of another size goes out in a sample carrying the new media type.
//
// Fast steps: decoded pictures are kept in the decoder's cache (at most
// FrameCache::kDefaultBudgetBytes, 384 MiB, of libavcodec's own pictures, converted only when
// delivered; dropped with the decoder when streaming stops, so with the file or stream). While
// the filter runs, the cache keeps only kPlayingBudgetBytes, the pictures just played: enough to
// step back from where playback pauses, without a run filling memory with pictures it has left
// behind (first touching fresh memory is much of what a decoded picture costs). A
// new segment whose picture is cached is answered at once. A flush does not reset the
// decoder: the first sample after it does when it is marked as a discontinuity (a seek from a
// key frame); otherwise decoding goes on where it was (the splitter continued instead of
// seeking, for a step forward).
// End of stream drains the decoder first. A sample the decoder rejects is skipped.
// Pictures are handed downstream on the output pin's own thread (an OutputQueue), so decoding
// the next pictures goes on while the filters downstream copy and draw the last one. From
// BeginFlush to EndFlush no picture is taken from the decoder or converted: the queue would
// drop it, and the seek that flushes waits for the streaming thread (after a step back, every
// cached picture up to where the last decoding ended would be converted for nothing).
//
// Demand (mf::IPictureDemand): with a judge set, an unseen picture is not converted; it goes
// out as a timed sample without data. Pictures of a new size, and the pictures drained at the
// end of the stream (the last one stays on screen), are always converted. While the judge says
// pictures are not browsed, none is kept in the cache; a new segment (a seek) keeps them again.
// Each sample is judged before decoding too: the decoder leaves out the picture of an unseen
// one when no other picture refers to it (VideoDecoder, Skipping). With SetStepsBack(false) no
// picture is cached at all (a job that grabs and ends the program needs none), and a seek then
// decodes only the pictures that finding its target needs; such a job also gets two output
// buffers and two decoding threads, and while paused no picture is converted ahead of the one
// downstream holds (decoding waits until it is let go: a run, a flush or a stop). HDR pictures,
// whose conversion is a tone mapping, are not converted ahead while paused either: a step back
// or a seek would first wait for a picture it throws away.
//
// Focus (mf::IFrameFocus): a range asked for is handed to the decoder at the next new segment,
// on the streaming thread; the decoder measures the luma of the cached pictures in it and of
// each picture it decodes in it, and the measures are kept here under their own lock until
// the next request.

#include "platform/graph/focus_measure.h"
#include "platform/graph/output_queue.h"
#include "platform/graph/transform_filter.h"
#include "platform/outside/video_decoder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace sp::outside {

using mf::HRESULT;

class VideoDecoderFilter final : public mf::TransformFilter,
                                 public mf::IPictureDemand,
                                 public mf::IFrameFocus {
public:
    // About a second of full-HD pictures, as much as a seek keeps before its target.
    static constexpr size_t kPlayingBudgetBytes = size_t(80) << 20;

    VideoDecoderFilter(std::string name, const mf::GUID& clsid);

    // Controlling thread, filter stopped.
    HRESULT SetPictureDemand(Judge judge) override;
    // Off: no cache (see above); the next StartStreaming or picture delivered applies it.
    HRESULT SetStepsBack(bool possible) override;

    HRESULT MeasureFocus(mf::REFERENCE_TIME from, mf::REFERENCE_TIME to) override;
    HRESULT TakenFocus(std::vector<std::pair<mf::REFERENCE_TIME, double>>* measures) override;

    HRESULT CheckInputType(const mf::MediaType& type) override;
    HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                             mf::AllocatorProperties* request) override;
    HRESULT GetMediaType(int position, mf::MediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;

    HRESULT Receive(mf::IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate) override;

    // Pictures converted to RGB32 since creation (for tests and benches). Any thread.
    uint64_t picturesConverted() const { return converted_; }

    // The output type for a picture size, in the format and row order of the connected output
    // type (`topDown`: a negative bitmap height).
    mf::MediaType outputTypeFor(int width, int height, bool videoInfo2, bool topDown = false) const;

private:
    HRESULT deliverPictures(bool all = false);
    size_t cacheBudget() const;
    mf::PictureUse useOf(const VideoFrameInfo& picture, bool all) const;
    bool comingUnseen(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop) const;
    void applyFocusRequest();

    std::unique_ptr<VideoDecoder> decoder_; // streaming thread, created by StartStreaming
    mf::OutputQueue queue_;                 // started and stopped with streaming
    int outWidth_ = 0, outHeight_ = 0;      // size the output type describes
    bool outTopDown_ = false;               // the output type's rows are top row first
    mf::REFERENCE_TIME segmentStart_ = 0;   // streaming thread: stream time of sample time 0
    Judge judge_;                           // set while stopped, called while streaming
    std::atomic<bool> flushing_{false};     // between BeginFlush and EndFlush
    std::atomic<bool> stepsBack_{true};     // pictures are cached for steps back
    std::atomic<uint64_t> converted_{0};
    // Focus measures: the range asked for (from > to: none) and whether the streaming thread
    // has handed it to the decoder yet; the measures taken in it, by picture start.
    struct FocusRequest {
        mf::REFERENCE_TIME from = 0;
        mf::REFERENCE_TIME to = -1;
        uint64_t serial = 0;
    };
    std::mutex focusMutex_;
    FocusRequest focusRequest_;
    uint64_t focusApplied_ = 0; // streaming thread: the serial handed to the decoder
    std::map<mf::REFERENCE_TIME, double> focus_;
};

} // namespace sp::outside
