#include "support/frame_source.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <cstdlib>

namespace sptest {

using namespace mf;

namespace {

long PictureBytes(const MediaType& type) {
    const std::optional<BITMAPINFOHEADER> header = type.bitmapHeader();
    if (!header) return 0;
    return long(std::abs(header->biWidth)) * std::abs(header->biHeight) * 4;
}

BITMAPINFOHEADER HeaderOf(const MediaType& type) {
    return type.bitmapHeader().value_or(BITMAPINFOHEADER{});
}

} // namespace

MediaType makeRgb32Info2Type(int32_t width, int32_t height, REFERENCE_TIME frameDuration,
                             uint32_t interlaceFlags) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    mt.formattype = FORMAT_VideoInfo2;
    VIDEOINFOHEADER2 vih2;
    vih2.AvgTimePerFrame = frameDuration;
    vih2.dwInterlaceFlags = interlaceFlags;
    vih2.dwPictAspectRatioX = 4;
    vih2.dwPictAspectRatioY = 3;
    vih2.bmiHeader.biWidth = width;
    vih2.bmiHeader.biHeight = height;
    vih2.bmiHeader.biBitCount = 32;
    vih2.bmiHeader.biSizeImage = uint32_t(width) * uint32_t(std::abs(height)) * 4;
    mt.lSampleSize = vih2.bmiHeader.biSizeImage;
    mt.setFormat(vih2);
    return mt;
}

// Source --------------------------------------------------------------------------------------

FrameSourcePin::FrameSourcePin(FrameSource* owner)
    : OneTypePin(owner, Match::Whole), owner_(owner) {}

const MediaType& FrameSourcePin::offered() const {
    return owner_->type;
}

HRESULT FrameSourcePin::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    long largest = std::max(PictureBytes(owner_->type), 1L);
    for (const auto& [index, type] : owner_->typeChanges)
        largest = std::max(largest, PictureBytes(type));
    request->cBuffers = std::max(request->cBuffers, 2L);
    request->cbBuffer = owner_->bufferBytes > 0 ? owner_->bufferBytes : largest;
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT FrameSourcePin::OnThreadStart() {
    next_ = 0;
    current_ = HeaderOf(owner_->type);
    return DeliverNewSegment(0, REFERENCE_TIME(owner_->frames) * owner_->frameDuration, 1.0);
}

HRESULT FrameSourcePin::FillBuffer(IMediaSample* sample) {
    if (next_ >= owner_->frames) return S_FALSE;
    const int index = next_++;
    if (auto change = owner_->typeChanges.find(index); change != owner_->typeChanges.end()) {
        sample->SetMediaType(&change->second);
        current_ = HeaderOf(change->second);
    }
    bool needed = true;
    if (owner_->timed) {
        const bool chosen = size_t(index) < owner_->starts.size();
        REFERENCE_TIME start =
            chosen ? owner_->starts[size_t(index)] : REFERENCE_TIME(index) * owner_->frameDuration;
        REFERENCE_TIME stop = start + owner_->frameDuration;
        sample->SetTime(&start, &stop);
        needed = !owner_->demand || owner_->demand(start, stop);
    }
    const std::span<uint8_t> bytes(sample->GetPointer(), size_t(sample->GetSize()));
    if (needed && owner_->paint) owner_->paint(index, current_, bytes);
    sample->SetActualDataLength(needed ? sample->GetSize() : 0);
    if (auto extended = query<IMediaSample2>(sample)) {
        SampleProperties props;
        extended->GetProperties(&props);
        props.dwTypeSpecificFlags = owner_->typeSpecificFlags;
        extended->SetProperties(props);
    }
    sample->SetSyncPoint(true);
    return S_OK;
}

FrameSource::FrameSource(MediaType mediaType, int frameCount, REFERENCE_TIME duration,
                         Painter painter)
    : BaseFilter("Frame Source", GUID_NULL), type(std::move(mediaType)), frames(frameCount),
      frameDuration(duration), paint(std::move(painter)),
      pin_(std::make_unique<FrameSourcePin>(this)) {}

FrameSource::~FrameSource() = default;

BasePin* FrameSource::GetPin(int n) {
    return n == 0 ? pin_.get() : nullptr;
}

// Sink ----------------------------------------------------------------------------------------

FrameSink::FrameSink() : BaseRenderer("Frame Sink", GUID_NULL) {}

HRESULT FrameSink::CheckMediaType(const MediaType& type) {
    return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32 ? S_OK : S_FALSE;
}

HRESULT FrameSink::DoRenderSample(IMediaSample* sample) {
    ReceivedSample copy;
    copy.bytes.assign(sample->GetPointer(), sample->GetPointer() + sample->GetSize());
    copy.actualLength = sample->GetActualDataLength();
    copy.timed = sample->GetTime(&copy.start, &copy.stop) == S_OK;
    MediaType attached;
    if (sample->GetMediaType(&attached) == S_OK) copy.type = attached;
    if (auto extended = query<IMediaSample2>(sample)) {
        SampleProperties props;
        if (extended->GetProperties(&props) == S_OK)
            copy.typeSpecificFlags = props.dwTypeSpecificFlags;
    }
    std::lock_guard lock(mutex_);
    received_.push_back(std::move(copy));
    return S_OK;
}

std::vector<ReceivedSample> FrameSink::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

void FrameSink::clear() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

} // namespace sptest
