#include "support/test_filters.h"

#include "platform/graph/clock.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace sptest {

MediaType testCompressedType(int width, int height, REFERENCE_TIME frameDuration) {
    return makeVideoInfoType(MEDIASUBTYPE_TestCompressed, width, height, 24, frameDuration,
                             makeFourCC('T', 'S', 'T', 'C'));
}

int frameIndexOf(IMediaSample* sample) {
    int32_t index = -1;
    if (sample->GetActualDataLength() >= 4) std::memcpy(&index, sample->GetPointer(), 4);
    return index;
}

// Timed source ------------------------------------------------------------------------------

TimedSourcePin::TimedSourcePin(TimedSource* owner, MediaType type)
    : OneTypePin(owner, Match::MajorSub), owner_(owner), type_(std::move(type)) {}

HRESULT TimedSourcePin::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    return askBuffers(allocator, request, 2, std::max(64L, long(type_.lSampleSize)));
}

HRESULT TimedSourcePin::OnThreadStart() {
    return DeliverNewSegment(owner_->segmentStart(), owner_->frames() * owner_->frameDuration(),
                             1.0);
}

HRESULT TimedSourcePin::FillBuffer(IMediaSample* sample) {
    int index = owner_->takeNextFrame();
    if (index >= owner_->frames()) return S_FALSE;
    int32_t value = index;
    std::memcpy(sample->GetPointer(), &value, 4);
    sample->SetActualDataLength(std::min(sample->GetSize(), 64L));
    REFERENCE_TIME start = index * owner_->frameDuration() - owner_->segmentStart();
    REFERENCE_TIME stop = start + owner_->frameDuration();
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(true);
    return S_OK;
}

TimedSource::TimedSource(MediaType type, int frames, REFERENCE_TIME frameDuration)
    : BaseFilter("Timed Source", CLSID_TestSource),
      pin_(std::make_unique<TimedSourcePin>(this, std::move(type))), frames_(frames),
      frameDuration_(frameDuration) {
    pin_->setCategory(PIN_CATEGORY_CAPTURE);
}

TimedSource::~TimedSource() = default;

HRESULT TimedSource::GetDuration(REFERENCE_TIME* duration) {
    *duration = frames_ * frameDuration_;
    return S_OK;
}

HRESULT TimedSource::GetCurrentPosition(REFERENCE_TIME* position) {
    *position = segmentStart_;
    return S_OK;
}

HRESULT TimedSource::GetStopPosition(REFERENCE_TIME* stop) {
    return GetDuration(stop);
}

HRESULT TimedSource::SetPositions(REFERENCE_TIME* current, uint32_t flags, REFERENCE_TIME*,
                                  uint32_t) {
    if ((flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning) return S_OK;
    REFERENCE_TIME target = std::clamp<REFERENCE_TIME>(*current, 0, frames_ * frameDuration_);
    pin_->restart([&] {
        segmentStart_ = target;
        nextFrame_ = int(std::min<REFERENCE_TIME>(target / frameDuration_, frames_ - 1));
    });
    return S_OK;
}

// Converter ---------------------------------------------------------------------------------

TestConverter::TestConverter() : TransformFilter("Test Converter", CLSID_TestConverter) {}

HRESULT TestConverter::CheckInputType(const MediaType& type) {
    return type.subtype == MEDIASUBTYPE_TestCompressed && type.bitmapHeader()
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestConverter::CheckTransform(const MediaType& in, const MediaType& out) {
    if (CheckInputType(in) != S_OK || out.subtype != MEDIASUBTYPE_RGB32 || !out.bitmapHeader())
        return VFW_E_TYPE_NOT_ACCEPTED;
    return out.bitmapHeader()->biWidth == in.bitmapHeader()->biWidth ? S_OK
                                                                     : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestConverter::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    auto header = output()->CurrentMediaType().bitmapHeader();
    request->cBuffers = std::max(request->cBuffers, 2L);
    request->cbBuffer = std::max<long>(request->cbBuffer, header ? long(header->biSizeImage) : 64);
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT TestConverter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto header = input()->CurrentMediaType().bitmapHeader();
    auto vih = input()->CurrentMediaType().formatAs<VIDEOINFOHEADER>();
    *type = makeRgb32Type(header->biWidth, header->biHeight, vih ? vih->AvgTimePerFrame : 0);
    return S_OK;
}

HRESULT TestConverter::Transform(IMediaSample* in, IMediaSample* out) {
    std::memcpy(out->GetPointer(), in->GetPointer(), 4);
    out->SetActualDataLength(std::min(out->GetSize(), 4L));
    return S_OK;
}

PassThrough::PassThrough() : TransInPlaceFilter("Pass Through", CLSID_TestPassThrough) {}

HRESULT PassThrough::Transform(IMediaSample*) {
    while (holdSamples)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++samples;
    return S_OK;
}

// Sink --------------------------------------------------------------------------------------

TestSink::TestSink(MediaType accepted)
    : BaseRenderer("Test Sink", CLSID_TestSink), accepted_(std::move(accepted)) {}

HRESULT TestSink::CheckMediaType(const MediaType& type) {
    return matchesPartial(accepted_, type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestSink::DoRenderSample(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0, now = 0;
    sample->GetTime(&start, &stop);
    if (IReferenceClock* refClock = clock()) refClock->GetTime(&now);
    std::lock_guard lock(mutex_);
    rendered_.push_back({frameIndexOf(sample), start, SystemClock::now(), now - startTime()});
    return S_OK;
}

void TestSink::OnReceiveFirstSample(IMediaSample* sample) {
    cuedIndex_ = frameIndexOf(sample);
}

std::vector<RenderedFrame> TestSink::rendered() {
    std::lock_guard lock(mutex_);
    return rendered_;
}

void TestSink::clear() {
    std::lock_guard lock(mutex_);
    rendered_.clear();
    cuedIndex_ = -1;
}

FilterRegistration describeFilter(const GUID& clsid, std::string name, uint32_t merit,
                                  std::vector<RegPin> pins,
                                  std::function<ComPtr<IBaseFilter>()> create) {
    FilterRegistration reg;
    reg.clsid = clsid;
    reg.friendlyName = std::move(name);
    reg.merit = merit;
    reg.pins = std::move(pins);
    reg.create = std::move(create);
    return reg;
}

ScopedFilterRegistration registerTestConverter(uint32_t merit) {
    return ScopedFilterRegistration(describeFilter(
        CLSID_TestConverter, "Test Converter", merit,
        {RegPin{PinDirection::Input, false, {{MEDIATYPE_Video, MEDIASUBTYPE_TestCompressed}}},
         RegPin{PinDirection::Output, false, {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}}},
        [] { return ComPtr<IBaseFilter>(make<TestConverter>()); }));
}

} // namespace sptest
