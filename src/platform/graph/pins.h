#pragma once
// Base pins. A pin belongs to exactly one filter and shares its reference count, so holding a
// pin keeps its filter alive. Connection and state operations come from the controlling thread;
// Receive, EndOfStream, NewSegment and flushing come from a streaming thread.
//
// Connecting: the output pin proposes types (the receiver's first, then its own) until the
// receiver accepts one with ReceiveConnection; then the output pin agrees an allocator with
// the input pin (DecideAllocator → DecideBufferSize).

#include "platform/graph/interfaces.h"

#include <atomic>
#include <string>

namespace mf {

class BaseFilter;

class BasePin : public IPin {
public:
    BasePin(BaseFilter* filter, std::string name, PinDirection dir);
    ~BasePin() override;

    void addRef() const noexcept override;
    void release() const noexcept override;

    HRESULT Connect(IPin* receiver, const MediaType* type) override;
    HRESULT ReceiveConnection(IPin* connector, const MediaType& type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(ComPtr<IPin>* pin) override;
    HRESULT ConnectionMediaType(MediaType* type) override;
    HRESULT QueryPinInfo(PinInfo* info) override;
    HRESULT QueryDirection(PinDirection* dir) override;
    HRESULT QueryId(std::string* id) override;
    HRESULT QueryAccept(const MediaType& type) override;
    HRESULT EnumMediaTypes(std::vector<MediaType>* types) override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT QueryCategory(GUID* category) override;

    // Hooks for derived pins.
    virtual HRESULT CheckMediaType(const MediaType& type) = 0;
    virtual HRESULT GetMediaType(int position, MediaType* type); // VFW_S_NO_MORE_ITEMS here
    virtual HRESULT SetMediaType(const MediaType& type);
    virtual HRESULT CheckConnect(IPin* peer);
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual HRESULT BreakConnect();
    virtual HRESULT Active();   // filter leaves the stopped state
    virtual HRESULT Inactive(); // filter enters the stopped state

    bool IsConnected() const { return bool(connected_); }
    IPin* GetConnected() const { return connected_.get(); }
    const MediaType& CurrentMediaType() const { return mt_; }
    BaseFilter* filter() const { return filter_; }
    const std::string& name() const { return name_; }
    PinDirection direction() const { return dir_; }
    void setCategory(const GUID& category) { category_ = category; }
    REFERENCE_TIME segmentStart() const { return segmentStart_; }

protected:
    HRESULT AgreeMediaType(IPin* receiver, const MediaType* pattern);
    HRESULT AttemptConnection(IPin* receiver, const MediaType& type);
    bool filterStopped() const;

    BaseFilter* filter_; // owner; outlives the pin
    std::string name_;
    PinDirection dir_;
    ComPtr<IPin> connected_;
    MediaType mt_;
    GUID category_;
    // streaming thread: set by NewSegment
    REFERENCE_TIME segmentStart_ = 0, segmentStop_ = 0;
    double segmentRate_ = 1.0;
};

class BaseOutputPin : public BasePin {
public:
    BaseOutputPin(BaseFilter* filter, std::string name);

    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;   // commits the allocator
    HRESULT Inactive() override; // decommits it, releasing a thread blocked in GetBuffer

    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) = 0;
    virtual HRESULT DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator);

    // Streaming thread.
    HRESULT GetDeliveryBuffer(ComPtr<IMediaSample>* sample);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* allocator() const { return allocator_.get(); }
    IMemInputPin* connectedInput() const { return inputPin_.get(); }

protected:
    ComPtr<IMemInputPin> inputPin_;
    ComPtr<IMemAllocator> allocator_;
};

class BaseInputPin : public BasePin, public IMemInputPin {
public:
    BaseInputPin(BaseFilter* filter, std::string name);

    HRESULT GetAllocator(ComPtr<IMemAllocator>* allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
    HRESULT GetAllocatorRequirements(AllocatorProperties* props) override;
    // Checks that streaming is allowed and takes a type change carried by the sample.
    // Derived pins call it first and stop on anything but S_OK.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveCanBlock() override { return S_OK; }

    HRESULT EndOfStream() override { return CheckStreaming(); }
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    HRESULT CheckStreaming();
    bool IsFlushing() const { return flushing_; }
    bool IsReadOnly() const { return readOnly_; }
    IMemAllocator* PeekAllocator() const { return allocator_.get(); }

protected:
    ComPtr<IMemAllocator> allocator_;
    bool readOnly_ = false;
    std::atomic<bool> flushing_{false};
};

} // namespace mf
