#include "filters/bitmap_filter.h"

#include "filters/stream_info.h"
#include "platform/graph/clock.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <mutex>

namespace sp {

using namespace mf;

namespace {

// Timecodes count a time this close to a frame's start as that frame (20 µs).
constexpr int64_t kSameTimeHns = 200;
// A picture ends about when the next starts; this much more (or its own duration) covers a
// next picture that comes late.
constexpr int64_t kOnScreenMarginHns = 400'000;

struct PictureSize {
    int32_t width = 0;
    int32_t height = 0; // always positive; the sign of the header's height is the row order
    bool topDown = false;
};

// The picture size of a VideoInfo or VideoInfo2 type; 0 × 0 when its block is too short.
PictureSize PictureSizeOf(const MediaType& type) {
    const std::optional<BITMAPINFOHEADER> header = type.bitmapHeader();
    if (!header) return {};
    const int64_t height = header->biHeight;
    PictureSize size;
    size.width = std::max(header->biWidth, 0);
    size.height = int32_t(std::min<int64_t>(height < 0 ? -height : height, INT32_MAX));
    size.topDown = height < 0;
    return size;
}

// A picture the frame bitmap could hold; anything larger comes from a damaged format block.
bool Plausible(const PictureSize& size) {
    return size.width <= TFrameBitmap::kMaxSide && size.height <= TFrameBitmap::kMaxSide &&
           int64_t(size.width) * size.height <= TFrameBitmap::kMaxPixels;
}

void SetRectangles(RECT& source, RECT& target, int32_t right, int32_t bottom) {
    source = RECT{0, 0, right, bottom};
    target = source;
}

// Writes the source and target rectangles (0, 0, right, bottom) into a VideoInfo or VideoInfo2
// block; other types are left alone.
void SetTypeRectangles(MediaType& type, int32_t right, int32_t bottom) {
    if (type.formattype == FORMAT_VideoInfo2) {
        if (auto vih2 = type.formatAs<VIDEOINFOHEADER2>()) {
            SetRectangles(vih2->rcSource, vih2->rcTarget, right, bottom);
            type.setFormat(*vih2);
        }
    } else if (type.formattype == FORMAT_VideoInfo) {
        if (auto vih = type.formatAs<VIDEOINFOHEADER>()) {
            SetRectangles(vih->rcSource, vih->rcTarget, right, bottom);
            type.setFormat(*vih);
        }
    }
}

void SetCanvas(BITMAPINFOHEADER& header, int32_t width, int32_t height) {
    header.biWidth = width;
    // The copy-out writes the frame top row first, so the canvas is declared top-down
    // (negative height); a bottom-up declaration would show the picture upside down and put
    // the visible rows outside the data actually written.
    header.biHeight = -height;
    header.biSizeImage = uint32_t(width) * uint32_t(height) * 4;
}

void CopyRow(const uint8_t* __restrict source, uint8_t* __restrict target, int pixels) {
    mf::CopyPictureBytes(target, source, size_t(pixels) * 4);
}

// The first pixel of the source row becomes the last of the target row.
void CopyRowReversed(const uint8_t* __restrict source, uint8_t* __restrict target, int pixels) {
    uint8_t* last = target + size_t(pixels - 1) * 4;
    for (int i = 0; i < pixels; ++i)
        std::memcpy(last - size_t(i) * 4, source + size_t(i) * 4, 4);
}

} // namespace

TBitmapFilter::TBitmapFilter(int32_t maxWidth, int32_t maxHeight)
    : TBitmapFilter(kBitmapFilterName, CLSID_BitmapFilter, maxWidth, maxHeight) {}

TBitmapFilter::TBitmapFilter(std::string name, const GUID& clsid, int32_t maxWidth,
                             int32_t maxHeight)
    : TransformFilter(std::move(name), clsid), MaxWidth(std::max(maxWidth, 0)),
      MaxHeight(std::max(maxHeight, 0)) {}

bool TBitmapFilter::SetGrabPeriod(int64_t period) {
    GrabPeriod = period;
    PeriodicGrab = period > 0;
    return PeriodicGrab;
}

// Connection ----------------------------------------------------------------------------------

HRESULT TBitmapFilter::CheckInputType(const MediaType& type) {
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB32 ||
        (type.formattype != FORMAT_VideoInfo2 && type.formattype != FORMAT_VideoInfo))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (Reconfigure.exchange(false)) {
        CheckFormatGrowth(type);
        TakeFrameSize(type);
    }
    return S_OK;
}

HRESULT TBitmapFilter::CheckTransform(const MediaType& in, const MediaType& out) {
    if (in.majortype != out.majortype || in.subtype != out.subtype ||
        in.formattype != out.formattype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const std::optional<BITMAPINFOHEADER> header = out.bitmapHeader();
    const bool usable = header && header->biWidth > 0 && header->biWidth <= TFrameBitmap::kMaxSide;
    OutputStride = usable ? header->biWidth * 4 : 0;
    return S_OK;
}

HRESULT TBitmapFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    if (!type) return E_POINTER;
    *type = OutputTypeFrom(input_->CurrentMediaType());
    return S_OK;
}

HRESULT TBitmapFilter::SetMediaType(PinDirection dir, const MediaType&) {
    // The pin stored the type before calling here; the rectangles are written into the pin's
    // own copy, which the pin owns as a plain (non-const) member.
    if (dir == PinDirection::Input) {
        auto& stored = const_cast<MediaType&>(input_->CurrentMediaType());
        SetTypeRectangles(stored, FrameWidth > 0 ? FrameWidth : MaxWidth,
                          FrameHeight > 0 ? FrameHeight : MaxHeight);
    } else {
        auto& stored = const_cast<MediaType&>(output_->CurrentMediaType());
        SetTypeRectangles(stored, FrameWidth, FrameHeight);
    }
    return S_OK;
}

HRESULT TBitmapFilter::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    if (!allocator || !request) return E_POINTER;
    if (!input_->IsConnected()) return E_UNEXPECTED;
    AllocatorProperties upstream;
    if (IMemAllocator* inputAllocator = input_->PeekAllocator())
        inputAllocator->GetProperties(&upstream);
    // The output buffers must hold the whole canvas, which is usually larger than the input
    // picture the upstream buffers were sized for.
    const MediaType& output = output_->CurrentMediaType();
    const std::optional<BITMAPINFOHEADER> header = output.bitmapHeader();
    const int64_t canvas = std::max<int64_t>(output.lSampleSize, header ? header->biSizeImage : 0);
    // `Frame` keeps the last buffer sent: the next picture needs another one.
    request->cBuffers = std::max(upstream.cBuffers, 3L);
    request->cbBuffer =
        long(std::clamp<int64_t>(std::max<int64_t>(upstream.cbBuffer, canvas), 1, LONG_MAX));
    AllocatorProperties actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer ||
        actual.cbAlign < request->cbAlign)
        return E_FAIL;
    return S_OK;
}

// Stopping or flushing waits for the streaming thread upstream; a grab message that thread
// waits on would never be handled meanwhile, so it is called off first.
// Once streaming has stopped, the picture moves out of the output buffer `Frame` may borrow,
// so that the allocator can be reconfigured (and the frame outlives the connection).
HRESULT TBitmapFilter::Stop() {
    GrabSends.close();
    const HRESULT hr = TransformFilter::Stop();
    std::lock_guard lock(Frame);
    if (KeepFrameAtStop)
        Frame.KeepOwnCopy();
    else
        Frame.SetSize(0, 0);
    return hr;
}

HRESULT TBitmapFilter::BeginFlush() {
    GrabSends.close();
    return TransformFilter::BeginFlush();
}

HRESULT TBitmapFilter::EndFlush() {
    HRESULT hr = TransformFilter::EndFlush();
    LastStop = kNoStop;
    GrabSends.open();
    return hr;
}

HRESULT TBitmapFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    LastStop = kNoStop; // sample times start again
    return TransformFilter::NewSegment(start, stop, rate);
}

HRESULT TBitmapFilter::StartStreaming() {
    GrabSends.open();
    Reconfigure = true;
    NextGrabTime = 0;
    LastStop = kNoStop;
    CurrentTime = TimeBase.load();
    return TransformFilter::StartStreaming();
}

void TBitmapFilter::TakeFrameSize(const MediaType& type) {
    const PictureSize size = PictureSizeOf(type);
    FrameWidth = size.width;
    FrameHeight = size.height;
    InputTopDown = size.topDown;
    std::lock_guard lock(Frame);
    Frame.SetSize(FrameWidth, FrameHeight);
}

void TBitmapFilter::CheckFormatGrowth(const MediaType& type) {
    const bool info2 = type.formattype == FORMAT_VideoInfo2 && type.formatAs<VIDEOINFOHEADER2>();
    const bool info = type.formattype == FORMAT_VideoInfo && type.formatAs<VIDEOINFOHEADER>();
    if (!info2 && !info) return;
    const PictureSize size = PictureSizeOf(type);
    if (!Plausible(size) || (size.height <= MaxHeight && size.width <= MaxWidth)) return;
    MaxHeight = std::max(MaxHeight, size.height);
    MaxWidth = std::max(MaxWidth, size.width);
    // A pin that is not connected yet takes the grown canvas when it connects: only pins
    // already connected need the main window to reconnect them.
    if (info2 && input_->IsConnected()) {
        FrameWidth = 0;
        FrameHeight = 0;
        RequestReconnect(kReconnectInputPin);
    }
    if (output_->IsConnected()) RequestReconnect(kReconnectOutputPin);
}

void TBitmapFilter::RequestReconnect(intptr_t pin) {
    if (auto target = mainWindowTarget()) target->post(WM_RECONNECT, 0, pin);
}

MediaType TBitmapFilter::OutputTypeFrom(const MediaType& input) const {
    MediaType type = input;
    const uint32_t canvasBytes = uint32_t(MaxWidth) * uint32_t(MaxHeight) * 4;
    if (type.formattype == FORMAT_VideoInfo2) {
        std::optional<VIDEOINFOHEADER2> vih2 = type.formatAs<VIDEOINFOHEADER2>();
        if (!vih2) return type;
        vih2->dwInterlaceFlags = 0; // progressive
        SetCanvas(vih2->bmiHeader, MaxWidth, MaxHeight);
        SetRectangles(vih2->rcSource, vih2->rcTarget, FrameWidth, FrameHeight);
        type.setFormat(*vih2);
    } else if (type.formattype == FORMAT_VideoInfo) {
        std::optional<VIDEOINFOHEADER> vih = type.formatAs<VIDEOINFOHEADER>();
        if (!vih) return type;
        SetCanvas(vih->bmiHeader, MaxWidth, MaxHeight);
        SetRectangles(vih->rcSource, vih->rcTarget, FrameWidth, FrameHeight);
        type.setFormat(*vih);
    } else {
        return type;
    }
    type.lSampleSize = canvasBytes;
    return type;
}

// Frame processing ----------------------------------------------------------------------------

HRESULT TBitmapFilter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!in || !out) return S_OK;
    AdvancePosition(in);
    SendScheduledGrabs(GrabsBefore::ThisFrame);
    try {
        TakeSampleType(in, out);
        if (input_->IsConnected() && output_->IsConnected()) CopySampleAttributes(in, out);
        std::lock_guard lock(Frame);
        if (CopyIntoOutputLocked(in, out)) {
            if (InlayOn) DrawOverlay(Frame); // draws into the output picture `Frame` borrows
        } else {
            Frame.KeepOwnCopy(); // the borrowed buffer may be on its way downstream
            if (!CopyInLocked(in, Frame.Bits(), Frame.Stride())) return S_OK;
            if (InlayOn) DrawOverlay(Frame);
            CopyOutLocked(out);
        }
    } catch (const std::exception&) {
        // A frame that cannot be processed leaves the output as it is; the stream goes on.
    }
    SendScheduledGrabs(GrabsBefore::NextFrame);
    return S_OK;
}

HRESULT TBitmapFilter::Receive(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = sample && sample->GetTime(&start, &stop) == S_OK;
    if (timed) CountMissingBefore(start, stop);
    if (timed && sample->GetActualDataLength() == 0) return PassOver(sample);
    return CanPassOn(sample) ? PassOn(sample) : TransformFilter::Receive(sample);
}

// While pictures are left out the decoder skips some it need not decode: the time between the
// last sample and this one, in frames of this sample's length, counts as pictures left out.
void TBitmapFilter::CountMissingBefore(REFERENCE_TIME start, REFERENCE_TIME stop) {
    const REFERENCE_TIME last = LastStop;
    LastStop = stop;
    const int64_t frame = stop - start;
    if (!SkipUnseen || last == kNoStop || frame <= 0 || start - last <= kSameTimeHns) return;
    LeftOut += uint64_t((start - last + frame / 2) / frame);
}

// A timed sample without a picture (one nobody sees): the position moves on and the grabs due
// are sent, with `Frame` still holding the picture on screen at their times.
HRESULT TBitmapFilter::PassOver(IMediaSample* sample) {
    if (aborted_) return S_FALSE;
    ++LeftOut;
    AdvancePosition(sample);
    SendScheduledGrabs(GrabsBefore::ThisFrame);
    SendScheduledGrabs(GrabsBefore::NextFrame);
    return S_OK;
}

// A picture that passes for a grab reaches the window too, so it counts as a preview: with
// grabs that come often enough no picture is converted for the window alone.
bool TBitmapFilter::PreviewDue(REFERENCE_TIME now) {
    REFERENCE_TIME last = LastPreview;
    if (now - last < kPreviewIntervalMs * 10'000) return false;
    return LastPreview.compare_exchange_strong(last, now);
}

// The grabs fall at NextGrabTime + k × period; the first one at or after this picture's start
// shows it when it comes before the picture ends (with a margin for a late next picture).
// NextGrabTime only grows while the picture travels downstream, so a value read early still
// names the same grid.
PictureUse TBitmapFilter::PictureUseOf(REFERENCE_TIME start, REFERENCE_TIME stop,
                                       PictureStage stage) {
    if (!SkipUnseen || !PeriodicGrab || state() != FilterState::Running) return PictureUse::Browsed;
    const int64_t period = GrabPeriod;
    if (period <= 0 || stop <= start) return PictureUse::Browsed;
    const int64_t base = TimeBase;
    const int64_t first = base + start - kSameTimeHns;
    int64_t grab = NextGrabTime;
    if (first > grab) grab += (first - grab + period - 1) / period * period;
    const int64_t margin = std::max<int64_t>(stop - start, kOnScreenMarginHns);
    const bool grabbed = grab + kSameTimeHns < base + stop + margin;
    if (stage == PictureStage::Coming) return grabbed ? PictureUse::Passing : PictureUse::Unseen;
    const REFERENCE_TIME now = SystemClock::now();
    if (grabbed) {
        LastPreview = now;
        return PictureUse::Passing;
    }
    return PreviewDue(now) ? PictureUse::Passing : PictureUse::Unseen;
}

// The input sample holds the picture exactly as the output is declared: rows top row first,
// as wide as the canvas, nothing to turn around.
bool TBitmapFilter::CanPassOn(IMediaSample* in) {
    MediaType changed;
    if (!in || in->GetMediaType(&changed) == S_OK || !output_->IsConnected()) return false;
    if (!InputTopDown || FlipVertical || FlipHorizontal || FrameWidth <= 0 || FrameHeight <= 0 ||
        int64_t(OutputStride) != int64_t(FrameWidth) * 4)
        return false;
    std::lock_guard lock(Frame);
    const int64_t picture = int64_t(Frame.Stride()) * Frame.Height();
    return Frame.Width() == FrameWidth && Frame.Height() == FrameHeight && in->GetPointer() &&
           in->GetSize() >= picture;
}

HRESULT TBitmapFilter::PassOn(IMediaSample* sample) {
    if (aborted_) return S_FALSE;
    AdvancePosition(sample);
    SendScheduledGrabs(GrabsBefore::ThisFrame);
    try {
        CopySampleAttributes(sample, sample);
        std::lock_guard lock(Frame);
        if (Frame.Borrow(ComPtr<IMediaSample>(sample), sample->GetPointer()) && InlayOn)
            DrawOverlay(Frame);
    } catch (const std::exception&) {
        // As in Transform: the picture goes on as it is.
    }
    SendScheduledGrabs(GrabsBefore::NextFrame);
    if (sampleSkipped_) {
        sample->SetDiscontinuity(true);
        sampleSkipped_ = false;
    }
    return output_->Deliver(sample);
}

void TBitmapFilter::AdvancePosition(IMediaSample* in) {
    std::lock_guard lock(StreamInfoMutex());
    TvData& video = SharedTvData();
    REFERENCE_TIME start = 0, stop = 0;
    if (in->GetTime(&start, &stop) != S_OK) {
        CurrentTime = CurrentTime.load() + video.FrameDuration;
        return;
    }
    if (video.FrameDuration == 0) video.FrameDuration = stop - start;
    CurrentTime = TimeBase.load() + start;
}

// A grab is of the frame on screen at its time: the frame held before this one when the time
// lies before this frame's start, this frame when it starts at that time. "At" allows the
// 20 µs by which timecodes absorb rounded sample times, so a grab every second lands on the
// frames 0, 25, 50, ... of a 25 frames per second stream.
void TBitmapFilter::SendScheduledGrabs(GrabsBefore until) {
    while (PeriodicGrab) {
        const int64_t period = GrabPeriod;
        const int64_t next = NextGrabTime;
        const int64_t start = CurrentTime;
        const bool due = until == GrabsBefore::ThisFrame ? next + kSameTimeHns < start
                                                         : next <= start + kSameTimeHns;
        // A period being switched off may be seen as 0 here: never loop on it.
        if (period <= 0 || !due) return;
        if (auto target = mainWindowTarget())
            GrabSends.send(*target, WM_GRAB_FRAME, uintptr_t(next),
                           reinterpret_cast<intptr_t>(&Frame));
        NextGrabTime = next + period;
    }
}

void TBitmapFilter::TakeSampleType(IMediaSample* in, IMediaSample* out) {
    MediaType changed;
    if (in->GetMediaType(&changed) != S_OK) return;
    TakeFrameSize(changed);
    CheckFormatGrowth(changed);
    const MediaType outputType = OutputTypeFrom(changed);
    out->SetMediaType(&outputType);
}

void TBitmapFilter::CopySampleAttributes(IMediaSample* in, IMediaSample* out) {
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = in->GetTime(&start, &stop);
    if (timed == S_OK)
        out->SetTime(&start, &stop);
    else if (timed == VFW_S_NO_STOP_TIME)
        out->SetTime(&start, nullptr);
    else
        out->SetTime(nullptr, nullptr);
    const int64_t picture = int64_t(FrameHeight) * OutputStride;
    const long length = long(std::clamp<int64_t>(picture, 0, out->GetSize()));
    out->SetActualDataLength(length);

    const ComPtr<IMediaSample2> in2 = query<IMediaSample2>(in);
    const ComPtr<IMediaSample2> out2 = query<IMediaSample2>(out);
    SampleProperties props;
    if (!in2 || !out2 || in2->GetProperties(&props) != S_OK) return;
    props.dwTypeSpecificFlags = 0; // the output is progressive
    props.lActual = length;        // the canvas rows, not the input's length
    out2->SetProperties(props);
}

// The picture is written once, into the output buffer at the canvas's row stride, and `Frame`
// borrows it there: no second copy.
bool TBitmapFilter::CopyIntoOutputLocked(IMediaSample* in, IMediaSample* out) {
    uint8_t* target = out->GetPointer();
    const size_t rowBytes = size_t(Frame.Width()) * 4;
    const size_t stride = size_t(std::max(OutputStride, 0));
    if (!target || Frame.Empty() || stride < rowBytes || Frame.Width() != FrameWidth ||
        Frame.Height() != FrameHeight || out->GetSize() < 0 ||
        size_t(out->GetSize()) < stride * size_t(Frame.Height() - 1) + rowBytes)
        return false;
    if (!CopyInLocked(in, target, stride)) return false;
    return Frame.Borrow(ComPtr<IMediaSample>(out), target, stride);
}

bool TBitmapFilter::CopyInLocked(IMediaSample* in, uint8_t* picture, size_t pictureStride) {
    const int width = std::min(FrameWidth, Frame.Width());
    const int height = std::min(FrameHeight, Frame.Height());
    const uint8_t* source = in->GetPointer();
    if (width <= 0 || height <= 0 || !source) return false;
    const size_t inputStride = size_t(FrameWidth) * 4;
    const size_t needed = inputStride * size_t(height - 1) + size_t(width) * 4;
    if (in->GetSize() < 0 || size_t(in->GetSize()) < needed) return false;

    // Bottom-up input rows end upright in reverse order, unless flipped on purpose.
    const bool reverseRows = FlipVertical == InputTopDown;
    const bool mirror = FlipHorizontal;
    for (int k = 0; k < height; ++k) {
        const uint8_t* row = source + size_t(k) * inputStride;
        uint8_t* target = picture + pictureStride * size_t(reverseRows ? height - 1 - k : k);
        if (mirror)
            CopyRowReversed(row, target, width);
        else
            CopyRow(row, target, width);
    }
    return true;
}

void TBitmapFilter::CopyOutLocked(IMediaSample* out) {
    uint8_t* target = out->GetPointer();
    const long size = out->GetSize();
    if (!target || OutputStride <= 0 || size <= 0) return;
    // Until a reconnection gives larger buffers, a grown frame is clipped to the canvas.
    const size_t rowBytes = std::min(Frame.Stride(), size_t(OutputStride));
    for (int k = 0; k < Frame.Height(); ++k) {
        const size_t offset = size_t(k) * size_t(OutputStride);
        if (offset + rowBytes > size_t(size)) return;
        mf::CopyPictureBytes(target + offset, Frame.Row(k), rowBytes);
    }
}

void TBitmapFilter::DrawOverlay(TFrameBitmap&) {}

} // namespace sp
