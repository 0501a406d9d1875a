#pragma once
// Transform filter base: one input pin, one output pin, each sample transformed from an input
// sample into a separate output sample from the output pin's allocator.
//
// A derived filter overrides only CheckInputType, CheckTransform, DecideBufferSize,
// GetMediaType, SetMediaType, StartStreaming, StopStreaming and Transform. The base class
// offers output types from the input's connected type, reconnects the output when a new input
// type no longer suits it, passes end of stream, flushes and new segments downstream, and
// calls StartStreaming when the filter leaves the stopped state and StopStreaming when it
// returns to it (after the last Receive has finished).
//
// Transform runs on the upstream streaming thread under streamMutex_. Returning S_FALSE drops
// the sample (nothing is delivered); a failure ends the stream with EC_ERRORABORT.

#include "platform/graph/base_filter.h"

#include <memory>

namespace mf {

class TransformFilter;

class TransformInputPin : public BaseInputPin {
public:
    TransformInputPin(TransformFilter* filter, std::string name);
    HRESULT CheckMediaType(const MediaType& type) override;
    HRESULT SetMediaType(const MediaType& type) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    TransformFilter* owner_;
};

class TransformOutputPin : public BaseOutputPin {
public:
    TransformOutputPin(TransformFilter* filter, std::string name);
    HRESULT CheckMediaType(const MediaType& type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT SetMediaType(const MediaType& type) override;
    HRESULT CheckConnect(IPin* peer) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

private:
    TransformFilter* owner_;
};

class TransformFilter : public BaseFilter {
public:
    TransformFilter(std::string name, const GUID& clsid);
    ~TransformFilter() override;

    int GetPinCount() override { return 2; }
    BasePin* GetPin(int n) override;

    TransformInputPin* input() const { return input_.get(); }
    TransformOutputPin* output() const { return output_.get(); }

    // The overrides a derived filter supplies.
    virtual HRESULT CheckInputType(const MediaType& type) = 0;
    virtual HRESULT CheckTransform(const MediaType& in, const MediaType& out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) = 0;
    virtual HRESULT GetMediaType(int position, MediaType* type) = 0;
    virtual HRESULT SetMediaType(PinDirection dir, const MediaType& type);
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);

    // Called on the streaming thread for each input sample; in-place filters replace it.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    HRESULT onActive() override;
    HRESULT onInactive() override;
    // Copies times and flags of the input sample to a fresh output sample.
    HRESULT InitializeOutputSample(IMediaSample* in, ComPtr<IMediaSample>* out);
    // Reports a failed Transform once: end of stream downstream and EC_ERRORABORT.
    void abortStream(HRESULT hr);

    std::unique_ptr<TransformInputPin> input_;
    std::unique_ptr<TransformOutputPin> output_;

    // streaming thread only, reset by onActive
    bool sampleSkipped_ = false;
    bool aborted_ = false;

private:
    friend class TransformInputPin;
    friend class TransformOutputPin;
    bool streaming_ = false; // guarded by stateMutex_
};

} // namespace mf
