#pragma once
// A source that delivers hand-built payloads: one sample per payload, in order, then end of
// stream. Each run from the stopped state starts again at the first payload. Used to feed DV
// frames, MPEG sequence headers and damaged data to filters that read sample bytes.

#include "platform/graph/base_filter.h"
#include "support/one_type_pin.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sptest {

using Payload = std::vector<uint8_t>;

class ByteSource;

class ByteSourcePin final : public OneTypePin {
public:
    ByteSourcePin(ByteSource* owner, mf::MediaType type);
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;

protected:
    mf::HRESULT FillBuffer(mf::IMediaSample* sample) override;
    mf::HRESULT OnThreadStart() override;
    const mf::MediaType& offered() const override { return type_; }

private:
    ByteSource* owner_;
    mf::MediaType type_;
    size_t next_ = 0; // streaming thread
};

class ByteSource final : public mf::BaseFilter {
public:
    // Samples are `frameDurationHns` apart, starting at 0.
    ByteSource(mf::MediaType type, std::vector<Payload> payloads,
               mf::REFERENCE_TIME frameDurationHns = 400000);
    ~ByteSource() override;

    int GetPinCount() override { return 1; }
    mf::BasePin* GetPin(int n) override;
    ByteSourcePin* pin() const { return pin_.get(); }

    // Read by the streaming thread; replace only while the filter is stopped.
    std::vector<Payload> payloads;
    mf::REFERENCE_TIME frameDurationHns;

private:
    std::unique_ptr<ByteSourcePin> pin_;
};

} // namespace sptest
