#pragma once
// Media samples and the pool allocator that lends them.
//
// A MemAllocator owns a fixed set of MediaSample objects and their buffers. GetBuffer lends one
// (blocking while all are out); the sample goes back to the pool when its last reference is
// released, on whatever thread that happens. The allocator stays alive while any sample is out.

#include "platform/graph/interfaces.h"
#include "platform/graph/picture_memory.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace mf {

class MemAllocator;

class MediaSample final : public IMediaSample2 {
public:
    // Lent samples: buffer owned by the allocator. Stand-alone samples (tests, splitters that
    // hand out their own memory) use the second constructor and own their buffer.
    MediaSample(MemAllocator* owner, uint8_t* buffer, long size);
    explicit MediaSample(long size);
    ~MediaSample() override = default; // public: the pool deletes its samples itself


    uint8_t* GetPointer() override { return buffer_; }
    long GetSize() override { return size_; }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override { return flag(AM_SAMPLE_SPLICEPOINT); }
    HRESULT SetSyncPoint(bool on) override { return setFlag(AM_SAMPLE_SPLICEPOINT, on); }
    HRESULT IsPreroll() override { return flag(AM_SAMPLE_PREROLL); }
    HRESULT SetPreroll(bool on) override { return setFlag(AM_SAMPLE_PREROLL, on); }
    HRESULT IsDiscontinuity() override { return flag(AM_SAMPLE_DATADISCONTINUITY); }
    HRESULT SetDiscontinuity(bool on) override { return setFlag(AM_SAMPLE_DATADISCONTINUITY, on); }
    long GetActualDataLength() override { return actual_; }
    HRESULT SetActualDataLength(long length) override;
    HRESULT GetMediaType(MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT GetProperties(SampleProperties* props) override;
    HRESULT SetProperties(const SampleProperties& props) override;

    // Clears times, flags and the attached type; called when the sample is lent again.
    void resetProperties();

protected:
    void lastReleased() const noexcept override;

private:
    HRESULT flag(uint32_t bit) const { return (flags_ & bit) ? S_OK : S_FALSE; }
    HRESULT setFlag(uint32_t bit, bool on) {
        flags_ = on ? (flags_ | bit) : (flags_ & ~bit);
        return S_OK;
    }

    MemAllocator* owner_;
    std::unique_ptr<uint8_t[]> ownBuffer_;
    uint8_t* buffer_;
    long size_;
    long actual_ = 0;
    uint32_t flags_ = 0;
    uint32_t typeSpecificFlags_ = 0;
    REFERENCE_TIME start_ = 0, stop_ = 0;
    std::optional<MediaType> type_;
};

class MemAllocator final : public IMemAllocator {
public:
    MemAllocator() = default;
    ~MemAllocator() override;

    HRESULT SetProperties(const AllocatorProperties& request, AllocatorProperties* actual) override;
    HRESULT GetProperties(AllocatorProperties* props) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(ComPtr<IMediaSample>* sample) override;

    // Called by MediaSample::release when the last reference goes.
    void returnSample(MediaSample* sample);

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    AllocatorProperties props_;
    bool committed_ = false;
    long outstanding_ = 0;
    std::vector<PictureMemory> buffers_;                // guarded by mutex_
    std::vector<std::unique_ptr<MediaSample>> samples_; // guarded by mutex_; count 0 while free
    std::vector<MediaSample*> free_;                     // guarded by mutex_
};

} // namespace mf
