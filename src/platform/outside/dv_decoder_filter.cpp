#include "platform/outside/dv_decoder_filter.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <cstdlib>

namespace sp::outside {

using namespace mf;

namespace {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The size of a VideoInfo type's picture; nullopt for another format or an empty picture.
std::optional<PictureSize> pictureSize(const MediaType& type) {
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo)
        return std::nullopt;
    auto bih = type.bitmapHeader();
    if (!bih || bih->biWidth <= 0 || bih->biHeight == 0) return std::nullopt;
    return PictureSize{bih->biWidth, std::abs(bih->biHeight)};
}

} // namespace

DvDecoderFilter::DvDecoderFilter() : TransformFilter("DV Video Decoder", CLSID_DVVideoCodec) {}

DvDecoderFilter::~DvDecoderFilter() = default;

HRESULT DvDecoderFilter::CheckInputType(const MediaType& type) {
    return type.subtype == MEDIASUBTYPE_dvsd && pictureSize(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvDecoderFilter::CheckTransform(const MediaType& in, const MediaType& out) {
    auto inSize = pictureSize(in);
    auto outSize = pictureSize(out);
    auto bih = out.bitmapHeader();
    // Only bottom-up RGB32 of the input's size: that is what the decoder writes.
    const bool ok = inSize && outSize && out.subtype == MEDIASUBTYPE_RGB32 &&
                    bih->biBitCount == 32 && bih->biHeight > 0 && inSize->width == outSize->width &&
                    inSize->height == outSize->height;
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvDecoderFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    const MediaType& in = input_->CurrentMediaType();
    auto size = pictureSize(in);
    if (!size) return VFW_S_NO_MORE_ITEMS;
    *type =
        makeRgb32Type(size->width, size->height, in.formatAs<VIDEOINFOHEADER>()->AvgTimePerFrame);
    return S_OK;
}

HRESULT DvDecoderFilter::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    auto size = pictureSize(output_->CurrentMediaType());
    if (!size) return E_UNEXPECTED;
    const long needed = long(size->width) * size->height * 4;
    request->cbBuffer = std::max(request->cbBuffer, needed);
    request->cBuffers = std::max(request->cBuffers, 2L);
    if (request->cbAlign <= 0) request->cbAlign = 1;
    AllocatorProperties actual;
    HRESULT hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < needed ? E_FAIL : S_OK;
}

HRESULT DvDecoderFilter::StartStreaming() {
    // One thread: with frame threads libavcodec would hold frames back, and each output sample
    // must carry its own input sample's times. One DV frame decodes well within its duration.
    decoder_ = VideoDecoder::open(input_->CurrentMediaType(), nullptr, 1);
    return decoder_ ? S_OK : E_FAIL;
}

HRESULT DvDecoderFilter::StopStreaming() {
    decoder_.reset();
    return S_OK;
}

HRESULT DvDecoderFilter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!decoder_) return E_UNEXPECTED;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(in->GetTime(&start, &stop));
    // A frame that ends before the segment starts is never on screen after a seek.
    if (timed && stop <= 0) return S_FALSE;
    const long length = std::clamp(in->GetActualDataLength(), 0L, in->GetSize());
    if (!decoder_->sendPacket({in->GetPointer(), size_t(length)}, timed ? start : kNoTimeHns))
        return S_FALSE;
    std::optional<VideoFrameInfo> picture;
    while (auto next = decoder_->nextFrame())
        picture = next;
    auto size = pictureSize(output_->CurrentMediaType());
    if (!picture || !size || picture->width != size->width || picture->height != size->height)
        return S_FALSE;
    const long bytes = long(size->width) * size->height * 4;
    if (out->GetSize() < bytes ||
        !decoder_->copyCurrentRgb32({out->GetPointer(), size_t(out->GetSize())}))
        return S_FALSE;
    out->SetActualDataLength(bytes);
    out->SetSyncPoint(true);
    return S_OK;
}

HRESULT DvDecoderFilter::EndFlush() {
    if (decoder_) decoder_->flush();
    return TransformFilter::EndFlush();
}

} // namespace sp::outside
