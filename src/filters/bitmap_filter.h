#pragma once
// TBitmapFilter: a transform filter for uncompressed 32-bit RGB video (MEDIASUBTYPE_RGB32 with a
// VideoInfo or VideoInfo2 block) that keeps the latest frame as a bitmap.
//
// For every sample it copies the picture into `Frame` (the input's bottom-up rows turned top row
// first, with the user's vertical and horizontal flips), lets a subclass draw on it
// (DrawOverlay, while the inlay is on) and sends it on in the output buffer. The picture is
// written once, into the output buffer at the canvas's row stride, and `Frame` borrows that
// buffer (TFrameBitmap::Borrow) until the next frame or until streaming stops (then it keeps its
// own copy). Only an output buffer too small for that gets `Frame` filled in its own memory and
// copied out row by row. The output's declared picture is a canvas (`MaxWidth` × `MaxHeight`)
// at least as large as any frame seen: output row k holds `Frame` row k, at byte offset
// k × `OutputStride`. The canvas only grows; when a frame outgrows it the filter posts
// WM_RECONNECT (0x404) to the main window (wParam 0, lParam 0 for the input pin, 1 for the
// output pin), which calls PrepareReconnect and has the graph reconnect that pin.
//
// Row order: the output canvas is declared top-down (a negative bitmap height), matching the
// copy-out, which writes the top of the picture into the output buffer's first row. An input
// with a negative bitmap height (rows top row first) is taken as such: unflipped, its first row
// stays the top row.
//
// Passing on: when the input is top-down, no flip is asked, the canvas is as wide as the frame
// and the sample carries no new type, the input sample already is the output picture: `Frame`
// borrows it, the inlay is drawn on it, and that very sample goes downstream (no copy at all).
// The upstream filter lets go of a sample it delivers, so nobody else writes it.
//
// Precision grabbing: while a grab period is set, each sample whose stream position reaches the
// next scheduled grab time sends WM_GRAB_FRAME (0x401) synchronously to the main window
// (wParam: the whole scheduled time in 100 ns units; lParam: the address of `Frame`,
// a TFrameBitmap) while `Frame` holds the frame on screen at that time: the previous frame when
// the time lies before this sample's start (sent before the copy), this one when it starts at
// that time within 20 µs (sent after the copy, so a grab at 1 s of a 25 frames per second
// stream is frame 25). The handler copies it under its lock (TFrameBitmap::CopyTo). Grabs fall at
// 0, period, 2 × period ... counted from the start of streaming. Stopping or flushing the filter (a
// seek) calls off a grab message the main window has not handled yet: the streaming thread goes on
// and that grab is skipped, since whoever stops or seeks waits for that thread.
//
// Pictures nobody sees: while precision grabbing runs at maximum speed (SetSkipUnseen, switched
// by the media system), PictureUseOf tells the decoder upstream (mf::IPictureDemand) which
// pictures may be on screen at a grab time (the grabs due from NextGrabTime on, every period)
// or are due as a preview for the window (kPreviewIntervalMs of wall time after the last
// picture that passed, for a grab or as a preview): those pass (nobody steps back during such
// a run), the others are unseen and arrive as timed samples without data. Such a sample
// advances the position and sends the grabs due, and goes no further: `Frame` keeps the last
// picture. Only while the filter runs: a paused still is always converted. Asked about a
// picture still to be decoded, the filter names only those a grab may need: the decoder need
// not decode the others that no picture refers to (a preview can be any picture decoded).
//
// Threads: the overrides of mf::TransformFilter are called as the framework documents
// (connection on the controlling thread with the graph stopped, Transform on the upstream
// streaming thread). The setters below are called by the main thread at any time; they are
// atomics and take effect from the next frame. `Frame` has its own lock (frame_bitmap.h); the
// streaming thread holds it from the copy-in to the end of the copy-out, and never while it
// sends WM_GRAB_FRAME. The connection fields (frame size, canvas, output stride) are written
// while connecting, with streaming stopped, and on the streaming thread when a sample carries a
// new type.
//
// Failures: unacceptable types are refused with VFW_E_TYPE_NOT_ACCEPTED. Nothing inside the
// frame processing fails a sample: a frame that cannot be copied (empty frame, input buffer
// shorter than the picture) leaves the output buffer as it was and the sample still goes on.
// The copy out never writes past the output buffer, even before a reconnection has given the
// output larger buffers. `TvData.FrameDuration` (stream_info.h) advances the position of
// samples without times, and is set from the first timed sample when it is 0.

#include "filters/frame_bitmap.h"
#include "platform/graph/message_target.h"
#include "platform/graph/transform_filter.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

namespace sp {

inline constexpr mf::GUID CLSID_BitmapFilter = mf::guidOf("{2AE57AC9-12EA-41EC-8F6B-998C5126A7E5}");
inline constexpr const char* kBitmapFilterName = "Orvane Bitmap2Filter";

// Canvas size when the settings "Max Width" and "Max Height" say nothing else.
inline constexpr int32_t kDefaultMaxWidth = 736;
inline constexpr int32_t kDefaultMaxHeight = 576;

// wParam of WM_RECONNECT is 0; lParam names the pin.
inline constexpr intptr_t kReconnectInputPin = 0;
inline constexpr intptr_t kReconnectOutputPin = 1;

class TBitmapFilter : public mf::TransformFilter {
public:
    // The plain filter, named "Orvane Bitmap2Filter". The canvas starts at the given size.
    explicit TBitmapFilter(int32_t maxWidth = kDefaultMaxWidth,
                           int32_t maxHeight = kDefaultMaxHeight);

    // --- Main thread, any time; effective from the next frame ---

    // A period > 0 (100 ns units) switches precision grabbing on, 0 or less off. Returns
    // whether it is on.
    bool SetGrabPeriod(int64_t period);
    void SetFlipVertical(bool on) { FlipVertical = on; }
    void SetFlipHorizontal(bool on) { FlipHorizontal = on; }
    virtual void SetInlay(bool on) { InlayOn = on; }
    // The next accepted input type sets the frame size. Called before connecting the filter
    // and before each reconnection of one of its pins.
    virtual void PrepareReconnect() { Reconfigure = true; }
    // Whether pictures that no grab and no preview needs may be left out (see above).
    void SetSkipUnseen(bool on) { SkipUnseen = on; }
    // What becomes of the picture with sample times [start, stop): browsed unless pictures are
    // being left out. Any thread (the decoder's streaming thread); cheap. Asked of a coming
    // picture, only the grabs count (any decoded picture may serve as a preview) and nothing
    // is noted.
    mf::PictureUse PictureUseOf(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop,
                                mf::PictureStage stage = mf::PictureStage::Decoded);
    // Pictures left out since creation: samples without data, and while pictures are left out
    // the frames missing between two samples (the decoder did not even decode them). Any thread.
    uint64_t PicturesLeftOut() const { return LeftOut; }
    // Longest wall time without a picture for the window while pictures are left out: half the
    // window's own interval during such a run, so the window finds a fresh picture each time
    // it takes one.
    static constexpr int64_t kPreviewIntervalMs = 100;

    // Whether Stop keeps the picture on screen (copied out of the buffer it may borrow); off
    // while sources close for good, when nobody reads it again: the frame is emptied instead.
    // Controlling thread.
    bool KeepFrameAtStop = true;

    // Copies the current frame into `target` under the frame's lock. Main thread (or a grab
    // message handler); never from DrawOverlay, which runs with the lock held.
    void CopyCurrentFrame(TFrameBitmap& target) { Frame.CopyTo(target); }
    // Calls `read` with the current frame, under its lock, where CopyCurrentFrame would copy it
    // first (same threads): a snapshot reads the picture once.
    template <typename Reader> void ReadCurrentFrame(Reader&& read) {
        std::lock_guard lock(Frame);
        read(std::as_const(Frame));
    }

    // Stream position of the sample times' 0, and position of the frame being processed (100 ns
    // units). Written by the media system before it runs or seeks the graph; CurrentTime is
    // advanced by the streaming thread.
    std::atomic<int64_t> TimeBase{0};
    std::atomic<int64_t> CurrentTime{0};

    // --- Filter overrides ---
    mf::HRESULT CheckInputType(const mf::MediaType& type) override;
    mf::HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;
    mf::HRESULT SetMediaType(mf::PinDirection dir, const mf::MediaType& type) override;
    mf::HRESULT StartStreaming() override;
    mf::HRESULT Transform(mf::IMediaSample* in, mf::IMediaSample* out) override;
    mf::HRESULT Receive(mf::IMediaSample* sample) override;
    mf::HRESULT Stop() override;
    mf::HRESULT BeginFlush() override;
    mf::HRESULT EndFlush() override;
    mf::HRESULT NewSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate) override;

protected:
    // For subclasses, which give their own identity.
    TBitmapFilter(std::string name, const mf::GUID& clsid, int32_t maxWidth, int32_t maxHeight);

    // Draws on the frame; streaming thread, `Frame` locked (do not lock it again). Nothing here.
    virtual void DrawOverlay(TFrameBitmap& frame);
    // Grows the canvas to a larger frame of `type` and asks for the reconnections.
    virtual void CheckFormatGrowth(const mf::MediaType& type);
    // Posts WM_RECONNECT for the input (0) or output (1) pin.
    virtual void RequestReconnect(intptr_t pin);

    TFrameBitmap Frame;

private:
    void TakeFrameSize(const mf::MediaType& type);
    mf::MediaType OutputTypeFrom(const mf::MediaType& input) const;
    void AdvancePosition(mf::IMediaSample* in);
    void CountMissingBefore(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop);
    enum class GrabsBefore { ThisFrame, NextFrame };
    void SendScheduledGrabs(GrabsBefore until);
    void TakeSampleType(mf::IMediaSample* in, mf::IMediaSample* out);
    void CopySampleAttributes(mf::IMediaSample* in, mf::IMediaSample* out);
    bool CopyIntoOutputLocked(mf::IMediaSample* in, mf::IMediaSample* out);
    // The input picture written into `picture`, rows `pictureStride` bytes apart.
    bool CopyInLocked(mf::IMediaSample* in, uint8_t* picture, size_t pictureStride);
    void CopyOutLocked(mf::IMediaSample* out);
    bool CanPassOn(mf::IMediaSample* in);
    mf::HRESULT PassOn(mf::IMediaSample* sample);
    mf::HRESULT PassOver(mf::IMediaSample* sample);
    bool PreviewDue(mf::REFERENCE_TIME now);

    // Written while connecting (streaming stopped) and on the streaming thread when a sample
    // carries a new type.
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;
    int32_t MaxWidth;
    int32_t MaxHeight;
    int32_t OutputStride = 0;
    bool InputTopDown = false; // the input's bitmap height is negative (rows top row first)

    // Written by the main thread, read by the streaming thread.
    std::atomic<bool> Reconfigure{true};
    std::atomic<bool> InlayOn{false};
    std::atomic<bool> FlipVertical{false};
    std::atomic<bool> FlipHorizontal{false};
    std::atomic<int64_t> NextGrabTime{0};
    std::atomic<int64_t> GrabPeriod{0};
    std::atomic<bool> PeriodicGrab{false};
    std::atomic<bool> SkipUnseen{false};
    std::atomic<mf::REFERENCE_TIME> LastPreview{INT64_MIN / 2}; // mf::SystemClock::now()
    std::atomic<uint64_t> LeftOut{0};
    // Streaming thread: stop time of the last timed sample of the segment, kNoStop before one.
    static constexpr mf::REFERENCE_TIME kNoStop = INT64_MIN;
    mf::REFERENCE_TIME LastStop = kNoStop;
    // The grab messages, called off while the filter stops or flushes.
    mf::SendGate GrabSends;
};

} // namespace sp
