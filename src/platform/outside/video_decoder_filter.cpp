#include "platform/outside/video_decoder_filter.h"

#include "platform/graph/guids.h"
#include "platform/outside/media_types_av.h"
#include "platform/outside/picture_turn.h"

#include <algorithm>
#include <numeric>

namespace sp::outside {

using namespace mf;

namespace {

bool isUncompressed(const GUID& subtype) {
    return subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_RGB24 ||
           subtype == MEDIASUBTYPE_RGB565 || subtype == MEDIASUBTYPE_RGB555 ||
           subtype == MEDIASUBTYPE_RGB8 || subtype == MEDIASUBTYPE_ARGB32;
}

// Picture aspect X:Y of the upright picture (width x height): the input's own when it carries
// one (turned with the picture), else the pixel ratio 1:1.
std::pair<uint32_t, uint32_t> pictureAspect(const MediaType& in, int width, int height) {
    if (in.formattype == FORMAT_VideoInfo2 || in.formattype == FORMAT_MPEG2Video)
        if (auto vih2 = in.formatAs<VIDEOINFOHEADER2>())
            if (vih2->dwPictAspectRatioX > 0 && vih2->dwPictAspectRatioY > 0) {
                if (in.orientation().swapsSides())
                    return {vih2->dwPictAspectRatioY, vih2->dwPictAspectRatioX};
                return {vih2->dwPictAspectRatioX, vih2->dwPictAspectRatioY};
            }
    int g = std::gcd(std::max(width, 1), std::max(height, 1));
    return {uint32_t(std::max(width, 1) / g), uint32_t(std::max(height, 1) / g)};
}

REFERENCE_TIME frameDurationOf(const MediaType& type) {
    if (auto vih = type.formatAs<VIDEOINFOHEADER>(); vih && type.bitmapHeader())
        return vih->AvgTimePerFrame; // same offset in VIDEOINFOHEADER2
    return 0;
}

} // namespace

VideoDecoderFilter::VideoDecoderFilter(std::string name, const GUID& clsid)
    : TransformFilter(std::move(name), clsid), queue_(output()) {}

HRESULT VideoDecoderFilter::CheckInputType(const MediaType& type) {
    if (type.majortype != MEDIATYPE_Video || isUncompressed(type.subtype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return codecParametersFor(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

MediaType VideoDecoderFilter::outputTypeFor(int width, int height, bool videoInfo2,
                                            bool topDown) const {
    const MediaType& in = input()->CurrentMediaType();
    MediaType out = makeRgb32Type(width, topDown ? -height : height, frameDurationOf(in));
    if (!videoInfo2) return out;
    auto vih = *out.formatAs<VIDEOINFOHEADER>();
    VIDEOINFOHEADER2 vih2;
    vih2.rcSource = vih.rcSource;
    vih2.rcTarget = vih.rcTarget;
    vih2.dwBitRate = vih.dwBitRate;
    vih2.AvgTimePerFrame = vih.AvgTimePerFrame;
    auto [x, y] = pictureAspect(in, width, height);
    vih2.dwPictAspectRatioX = x;
    vih2.dwPictAspectRatioY = y;
    vih2.dwReserved2 = in.orientation().packed(); // the pictures were turned upright by it
    vih2.bmiHeader = vih.bmiHeader;
    out.formattype = FORMAT_VideoInfo2;
    out.format.clear();
    out.setFormat(vih2);
    return out;
}

HRESULT VideoDecoderFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 3) return VFW_S_NO_MORE_ITEMS;
    const MediaType& in = input()->CurrentMediaType();
    auto header = in.bitmapHeader();
    if (!header || header->biWidth <= 0 || header->biHeight == 0) return VFW_S_NO_MORE_ITEMS;
    const PictureSize up =
        uprightSize(header->biWidth, std::abs(header->biHeight), in.orientation());
    // Bottom-up first: whoever takes the first type it accepts gets the usual DIB layout.
    *type = outputTypeFor(up.width, up.height, position % 2 == 0, position >= 2);
    return S_OK;
}

HRESULT VideoDecoderFilter::CheckTransform(const MediaType& in, const MediaType& out) {
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    if (out.majortype != MEDIATYPE_Video || out.subtype != MEDIASUBTYPE_RGB32)
        return VFW_E_TYPE_NOT_ACCEPTED;
    auto outHeader = out.bitmapHeader();
    auto inHeader = in.bitmapHeader();
    if (!outHeader || !inHeader || outHeader->biBitCount != 32) return VFW_E_TYPE_NOT_ACCEPTED;
    // The output may be wider (a canvas); it must hold the upright picture.
    const PictureSize up =
        uprightSize(inHeader->biWidth, std::abs(inHeader->biHeight), in.orientation());
    if (outHeader->biWidth < up.width || std::abs(outHeader->biHeight) < up.height)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT VideoDecoderFilter::DecideBufferSize(IMemAllocator* allocator,
                                             AllocatorProperties* request) {
    auto header = output()->CurrentMediaType().bitmapHeader();
    if (!header) return E_FAIL;
    // Room for a later picture up to full HD without renegotiating the allocator.
    long picture = long(header->biWidth) * std::abs(header->biHeight) * 4;
    // Top-down pictures usually travel on to the window as they are, and the filter keeping
    // the frame on screen holds one of them: one buffer more keeps decoding from waiting.
    // Without steps back (a job that grabs and ends) nothing is decoded ahead while paused:
    // one buffer for the picture kept, one for the next.
    const long wanted = !stepsBack_ ? 2L : header->biHeight < 0 ? 4L : 3L;
    request->cBuffers = std::max(request->cBuffers, wanted);
    request->cbBuffer = std::max({request->cbBuffer, picture, 1920L * 1088 * 4});
    AllocatorProperties actual;
    HRESULT hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= picture ? S_OK : E_FAIL;
}

HRESULT VideoDecoderFilter::StartStreaming() {
    std::string error;
    // libavcodec picks the thread count, as the ffmpeg command line lets it (one frame thread
    // more than cores): while one thread waits for a reference picture's rows another decodes,
    // so runs, seeks and steps all go faster than with one thread per core; the one picture
    // more held back costs a paused seek less than the time it saves. A job that grabs and
    // ends (no steps back) takes two: each frame thread holds pictures of its own, about 9 MiB
    // of a full-HD grab's memory, for no gain on two processors.
    decoder_ = VideoDecoder::open(input()->CurrentMediaType(), &error, stepsBack_ ? 0 : 2);
    if (!decoder_) return VFW_E_TYPE_NOT_ACCEPTED;
    auto header = output()->CurrentMediaType().bitmapHeader();
    outWidth_ = header ? header->biWidth : 0;
    outHeight_ = header ? std::abs(header->biHeight) : 0;
    outTopDown_ = header && header->biHeight < 0;
    decoder_->setCacheBudget(cacheBudget());
    segmentStart_ = 0;
    flushing_ = false;
    decoder_->setDropBefore(0);
    focusApplied_ = 0;
    queue_.start("sp:decoded");
    return S_OK;
}

HRESULT VideoDecoderFilter::StopStreaming() {
    queue_.stop();
    decoder_.reset();
    return S_OK;
}

HRESULT VideoDecoderFilter::SetPictureDemand(Judge judge) {
    std::lock_guard lock(streamMutex_);
    judge_ = std::move(judge);
    return S_OK;
}

HRESULT VideoDecoderFilter::SetStepsBack(bool possible) {
    stepsBack_ = possible;
    return S_OK;
}

HRESULT VideoDecoderFilter::MeasureFocus(REFERENCE_TIME from, REFERENCE_TIME to) {
    std::lock_guard lock(focusMutex_);
    focusRequest_ = {from, to, focusRequest_.serial + 1};
    focus_.clear();
    return S_OK;
}

HRESULT VideoDecoderFilter::TakenFocus(std::vector<std::pair<REFERENCE_TIME, double>>* measures) {
    if (!measures) return E_POINTER;
    std::lock_guard lock(focusMutex_);
    measures->assign(focus_.begin(), focus_.end());
    return S_OK;
}

// Streaming thread, with a decoder: hands a new focus request to the decoder. A measure comes
// back into focus_ only while its request is still the one asked for.
void VideoDecoderFilter::applyFocusRequest() {
    FocusRequest request;
    {
        std::lock_guard lock(focusMutex_);
        request = focusRequest_;
    }
    if (request.serial == focusApplied_) return;
    focusApplied_ = request.serial;
    if (request.from > request.to) {
        decoder_->measureFocus(0, -1, {});
        return;
    }
    decoder_->measureFocus(request.from, request.to,
                           [this, serial = request.serial](int64_t start, double focus) {
                               std::lock_guard lock(focusMutex_);
                               if (focusRequest_.serial == serial) focus_[start] = focus;
                           });
}

size_t VideoDecoderFilter::cacheBudget() const {
    if (!stepsBack_) return 0;
    return state() == FilterState::Running ? kPlayingBudgetBytes : FrameCache::kDefaultBudgetBytes;
}

PictureUse VideoDecoderFilter::useOf(const VideoFrameInfo& picture, bool all) const {
    if (!judge_ || picture.startHns == kNoTimeHns) return PictureUse::Browsed;
    const REFERENCE_TIME start = picture.startHns - segmentStart_;
    const PictureUse use =
        judge_(start, start + std::max<int64_t>(picture.durationHns, 1), PictureStage::Decoded);
    return use == PictureUse::Unseen && (all || picture.sizeChanged) ? PictureUse::Passing : use;
}

// Whether the judge needs no picture with these sample times; a sample without a stop time
// lasts the input type's frame duration.
bool VideoDecoderFilter::comingUnseen(REFERENCE_TIME start, REFERENCE_TIME stop) const {
    if (!judge_) return false;
    if (stop <= start) stop = start + std::max<int64_t>(decoder_->averageFrameHns(), 1);
    return judge_(start, stop, PictureStage::Coming) == PictureUse::Unseen;
}

// `all`: convert every picture whatever the judge says.
HRESULT VideoDecoderFilter::deliverPictures(bool all) {
    while (!flushing_) {
        auto picture = decoder_->nextFrame();
        if (!picture) break;
        // Without steps back, a paused graph gets no picture filled ahead of the one it shows;
        // nor does it when pictures are costly to convert (HDR): a step back or a seek would
        // first wait for a conversion whose picture it throws away.
        if ((!stepsBack_ || decoder_->currentCostly()) && state() == FilterState::Paused) {
            queue_.waitUntilDelivered([this] { return state() == FilterState::Paused; });
            if (flushing_) break; // a seek came meanwhile: this picture is not wanted
        }
        ComPtr<IMediaSample> out;
        HRESULT hr = output()->GetDeliveryBuffer(&out);
        if (FAILED(hr)) return hr;
        const long bytes = long(picture->width) * picture->height * 4;
        if (picture->width != outWidth_ || picture->height != outHeight_) {
            bool videoInfo2 = output()->CurrentMediaType().formattype == FORMAT_VideoInfo2;
            MediaType changed =
                outputTypeFor(picture->width, picture->height, videoInfo2, outTopDown_);
            out->SetMediaType(&changed);
            output()->SetMediaType(changed);
            outWidth_ = picture->width;
            outHeight_ = picture->height;
        }
        const PictureUse use = useOf(*picture, all);
        decoder_->setCaching(use == PictureUse::Browsed);
        decoder_->setCacheBudget(cacheBudget());
        if (use == PictureUse::Unseen) {
            out->SetActualDataLength(0);
        } else if (bytes > out->GetSize() ||
                   !decoder_->copyCurrentRgb32(std::span(out->GetPointer(), size_t(out->GetSize())),
                                               outTopDown_)) {
            continue; // a picture too large for the buffers is lost, the stream goes on
        } else {
            out->SetActualDataLength(bytes);
            ++converted_;
        }
        if (picture->startHns != kNoTimeHns) {
            REFERENCE_TIME start = picture->startHns - segmentStart_;
            REFERENCE_TIME stop = start + std::max<int64_t>(picture->durationHns, 1);
            out->SetTime(&start, &stop);
        }
        out->SetSyncPoint(true);
        hr = queue_.push({OutputQueue::Item::Kind::Sample, std::move(out)});
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT VideoDecoderFilter::Receive(IMediaSample* sample) {
    if (!decoder_) return VFW_E_WRONG_STATE;
    REFERENCE_TIME start = 0, stop = 0;
    int64_t time = SUCCEEDED(sample->GetTime(&start, &stop)) ? start + segmentStart_ : kNoTimeHns;
    // After a seek the splitter sends from a key frame, marked as a discontinuity; without the
    // mark its samples continue those sent before the flush, and so does the decoder.
    if (sample->IsDiscontinuity() == S_OK)
        decoder_->restartRun();
    else
        decoder_->resumeRun();
    const bool unseen = time != kNoTimeHns && comingUnseen(start, stop);
    decoder_->sendPacket(std::span(sample->GetPointer(), size_t(sample->GetActualDataLength())),
                         time, unseen);
    HRESULT hr = deliverPictures();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT VideoDecoderFilter::EndOfStream() {
    if (decoder_) {
        decoder_->sendEndOfStream();
        deliverPictures(true); // the last picture stays on screen: it must be there
    }
    if (!output()->IsConnected()) return S_OK;
    OutputQueue::Item item;
    item.kind = OutputQueue::Item::Kind::EndOfStream;
    return queue_.push(std::move(item));
}

HRESULT VideoDecoderFilter::BeginFlush() {
    flushing_ = true;
    queue_.beginFlush(); // drops queued pictures, releasing upstream if it waits for a buffer
    return TransformFilter::BeginFlush();
}

HRESULT VideoDecoderFilter::EndFlush() {
    // The decoder keeps its state: the next sample says whether it continues.
    if (decoder_) decoder_->suspendRun();
    queue_.endFlush();
    flushing_ = false;
    return TransformFilter::EndFlush();
}

HRESULT VideoDecoderFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    // Runs on the streaming thread before the segment's first sample. The decoder works in
    // stream times (segment start + sample time), so its cached pictures stay valid across
    // segments; a picture it holds for the new start goes out at once. Under the stream lock,
    // as Receive, since stopping frees the decoder.
    std::lock_guard lock(streamMutex_);
    segmentStart_ = start;
    if (decoder_) {
        decoder_->setStreamEnd(stop);
        decoder_->setDropBefore(start);
        decoder_->suspendRun();
        decoder_->setCaching(true);
        applyFocusRequest();
    }
    if (!output()->IsConnected()) return S_OK;
    HRESULT hr = queue_.push({OutputQueue::Item::Kind::NewSegment, nullptr, start, stop, rate});
    if (hr != S_OK || !decoder_) return hr;
    hr = deliverPictures();
    return FAILED(hr) ? hr : S_OK;
}

} // namespace sp::outside
