#include "platform/graph/sample.h"

#include <algorithm>
#include <cstdlib>

namespace mf {

MediaSample::MediaSample(MemAllocator* owner, uint8_t* buffer, long size)
    : owner_(owner), buffer_(buffer), size_(size) {}

MediaSample::MediaSample(long size)
    : owner_(nullptr), ownBuffer_(std::make_unique_for_overwrite<uint8_t[]>(size_t(std::max(size, 1L)))),
      buffer_(ownBuffer_.get()), size_(size) {}

void MediaSample::lastReleased() const noexcept {
    if (owner_)
        owner_->returnSample(const_cast<MediaSample*>(this));
    else
        delete this;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!(flags_ & AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start) *start = start_;
    if (!(flags_ & AM_SAMPLE_STOPVALID)) {
        if (stop) *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    if (stop) *stop = stop_;
    return S_OK;
}

HRESULT MediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
    flags_ &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
    if (!start) return S_OK;
    start_ = *start;
    flags_ |= AM_SAMPLE_TIMEVALID;
    if (stop) {
        stop_ = *stop;
        flags_ |= AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

HRESULT MediaSample::SetActualDataLength(long length) {
    if (length < 0 || length > size_) return E_INVALIDARG;
    actual_ = length;
    return S_OK;
}

HRESULT MediaSample::GetMediaType(MediaType* type) {
    if (!type_) return S_FALSE;
    if (!type) return E_POINTER;
    *type = *type_;
    return S_OK;
}

HRESULT MediaSample::SetMediaType(const MediaType* type) {
    if (type)
        type_ = *type;
    else
        type_.reset();
    return S_OK;
}

HRESULT MediaSample::GetProperties(SampleProperties* props) {
    if (!props) return E_POINTER;
    props->dwTypeSpecificFlags = typeSpecificFlags_;
    props->dwSampleFlags = flags_;
    props->lActual = actual_;
    props->tStart = start_;
    props->tStop = stop_;
    props->dwStreamId = 0;
    return S_OK;
}

HRESULT MediaSample::SetProperties(const SampleProperties& props) {
    if (props.lActual < 0 || props.lActual > size_) return E_INVALIDARG;
    typeSpecificFlags_ = props.dwTypeSpecificFlags;
    flags_ = props.dwSampleFlags;
    actual_ = props.lActual;
    start_ = props.tStart;
    stop_ = props.tStop;
    return S_OK;
}

void MediaSample::resetProperties() {
    flags_ = 0;
    typeSpecificFlags_ = 0;
    actual_ = 0;
    start_ = stop_ = 0;
    type_.reset();
}

// ---------------------------------------------------------------------------------------------

MemAllocator::~MemAllocator() = default;

HRESULT MemAllocator::SetProperties(const AllocatorProperties& request,
                                    AllocatorProperties* actual) {
    std::lock_guard lock(mutex_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
    if (request.cBuffers <= 0 || request.cbBuffer <= 0 || request.cbAlign < 0 ||
        request.cbPrefix < 0)
        return E_INVALIDARG;
    long align = std::max(request.cbAlign, 1L);
    if (align & (align - 1)) return E_INVALIDARG; // alignment must be a power of two
    props_ = request;
    props_.cbAlign = align;
    props_.cbBuffer = (request.cbBuffer + align - 1) / align * align;
    if (actual) *actual = props_;
    return S_OK;
}

HRESULT MemAllocator::GetProperties(AllocatorProperties* props) {
    if (!props) return E_POINTER;
    std::lock_guard lock(mutex_);
    *props = props_;
    return S_OK;
}

HRESULT MemAllocator::Commit() {
    std::lock_guard lock(mutex_);
    if (props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    if (committed_) return S_OK;
    bool sizesMatch = long(samples_.size()) == props_.cBuffers && !samples_.empty() &&
                      samples_.front()->GetSize() == props_.cbBuffer;
    if (!sizesMatch && outstanding_ == 0) {
        free_.clear();
        samples_.clear();
        buffers_.clear();
        size_t bytes = size_t(props_.cbBuffer + props_.cbPrefix + props_.cbAlign);
        for (long i = 0; i < props_.cBuffers; ++i) {
            buffers_.push_back(AllocatePictureMemory(bytes));
            uintptr_t base = reinterpret_cast<uintptr_t>(buffers_.back().get()) + props_.cbPrefix;
            uintptr_t aligned = (base + uintptr_t(props_.cbAlign) - 1) &
                                ~(uintptr_t(props_.cbAlign) - 1);
            samples_.push_back(std::make_unique<MediaSample>(
                this, reinterpret_cast<uint8_t*>(aligned), props_.cbBuffer));
            free_.push_back(samples_.back().get());
        }
    }
    committed_ = true;
    return S_OK;
}

HRESULT MemAllocator::Decommit() {
    std::lock_guard lock(mutex_);
    committed_ = false;
    freed_.notify_all();
    return S_OK;
}

HRESULT MemAllocator::GetBuffer(ComPtr<IMediaSample>* sample) {
    if (!sample) return E_POINTER;
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return !committed_ || !free_.empty(); });
    if (!committed_) return VFW_E_NOT_COMMITTED;
    MediaSample* s = free_.back();
    free_.pop_back();
    s->resetProperties();
    ++outstanding_;
    if (outstanding_ == 1) addRef(); // the pool lives while a sample is out
    *sample = ComPtr<IMediaSample>(s);
    return S_OK;
}

void MemAllocator::returnSample(MediaSample* sample) {
    bool lastOut = false;
    {
        std::lock_guard lock(mutex_);
        free_.push_back(sample);
        lastOut = --outstanding_ == 0;
        freed_.notify_one();
    }
    if (lastOut) release();
}

} // namespace mf
