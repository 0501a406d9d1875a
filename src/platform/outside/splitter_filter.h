#pragma once
// Splitters over the Demuxer: one output pin per video, audio or interleaved (DV) stream,
// each with its own streaming thread. A pin whose queue is empty reads the demuxer itself
// (under the demuxer lock) and files the packets of the other streams in their queues, so no
// thread waits for another. Packets of unconnected streams are dropped.
//
// Two ways in: StreamSplitterFilter takes the byte stream of File Source (Async.) on its input
// pin and opens the demuxer when that pin connects (the connection fails when the data is not
// its container); FileSplitterFilter loads the path itself (IFileSourceFilter, S_OK only when
// the file opened as one of its containers).
//
// Samples carry times relative to the current segment: after a seek to p the segment starts
// at p, so earlier frames decoded to reach p have negative times (decoders drop them). A seek
// suspends every pin thread (flushing downstream), moves the demuxer, empties the queues and
// starts the threads again, each delivering NewSegment first. A read error ends the streams.

#include "platform/graph/base_filter.h"
#include "platform/graph/streaming_pin.h"
#include "platform/outside/demuxer.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sp::outside {

using mf::HRESULT;

// What distinguishes one registered splitter from another.
struct SplitterIdentity {
    mf::GUID clsid;
    std::string name;
    std::vector<std::string> formats;     // libavformat names accepted; empty: any
    std::vector<mf::GUID> inputSubtypes;  // MEDIATYPE_Stream subtypes taken (stream splitters)
};

class SplitterFilter;

class SplitterOutputPin final : public mf::StreamingOutputPin {
public:
    SplitterOutputPin(SplitterFilter* owner, std::string name, int streamIndex,
                      mf::MediaType type);
    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT GetMediaType(int position, mf::MediaType* type) override;
    HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                             mf::AllocatorProperties* request) override;
    int streamIndex() const { return streamIndex_; }

protected:
    HRESULT FillBuffer(mf::IMediaSample* sample) override;
    HRESULT OnThreadStart() override;

private:
    SplitterFilter* owner_;
    int streamIndex_;
    mf::MediaType type_;
    bool discontinuity_ = true; // streaming thread
};

class SplitterFilter : public mf::BaseFilter, public mf::IMediaSeeking {
public:
    explicit SplitterFilter(SplitterIdentity identity);
    ~SplitterFilter() override;

    HRESULT GetDuration(mf::REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(mf::REFERENCE_TIME* position) override;
    HRESULT GetStopPosition(mf::REFERENCE_TIME* stop) override;
    HRESULT SetPositions(mf::REFERENCE_TIME* current, uint32_t currentFlags,
                         mf::REFERENCE_TIME* stop, uint32_t stopFlags) override;

    // Streaming threads: the next packet of one stream, nullopt at its end or when stopping.
    std::optional<Packet> nextPacket(int streamIndex, const std::stop_token& stop);
    mf::REFERENCE_TIME segmentStart() const { return segmentStart_; }
    mf::REFERENCE_TIME duration() const { return durationHns_; }

protected:
    // Takes ownership of an opened demuxer and creates the output pins; false when the
    // container is not one of ours or offers no stream.
    bool adopt(std::unique_ptr<Demuxer> demuxer, std::string* error);
    bool acceptsFormat(const std::string& formatName) const;
    void dropOutputs();
    int outputCount() const { return int(outputs_.size()); }
    SplitterOutputPin* output(int i) const { return outputs_[size_t(i)].get(); }

    SplitterIdentity identity_;

private:
    static constexpr size_t kMaxQueuedPackets = 4096;

    // guarded by demuxMutex_
    std::mutex demuxMutex_;
    std::unique_ptr<Demuxer> demuxer_;
    std::vector<std::deque<Packet>> queues_; // per demuxer stream
    bool endOfFile_ = false;

    std::vector<std::unique_ptr<SplitterOutputPin>> outputs_; // fixed once opened
    // Pins of an earlier file: no longer offered, kept alive because callers may still hold
    // references to them (a pin shares its filter's count).
    std::vector<std::unique_ptr<SplitterOutputPin>> retired_;
    mf::REFERENCE_TIME segmentStart_ = 0; // written with every pin thread suspended
    mf::REFERENCE_TIME durationHns_ = 0;
};

class StreamSplitterFilter;

class SplitterInputPin final : public mf::BasePin {
public:
    explicit SplitterInputPin(StreamSplitterFilter* owner);
    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT CompleteConnect(mf::IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT EndOfStream() override { return mf::S_OK; }
    HRESULT BeginFlush() override { return mf::S_OK; }
    HRESULT EndFlush() override { return mf::S_OK; }

private:
    StreamSplitterFilter* owner_;
};

class StreamSplitterFilter final : public SplitterFilter {
public:
    explicit StreamSplitterFilter(SplitterIdentity identity);
    ~StreamSplitterFilter() override;
    int GetPinCount() override { return 1 + outputCount(); }
    mf::BasePin* GetPin(int n) override;

    HRESULT openFrom(mf::IAsyncReader* reader);
    void close();
    const SplitterIdentity& identity() const { return identity_; }

private:
    std::unique_ptr<SplitterInputPin> input_;
    mf::ComPtr<mf::IAsyncReader> reader_; // kept while connected
};

class FileSplitterFilter final : public SplitterFilter, public mf::IFileSourceFilter {
public:
    explicit FileSplitterFilter(SplitterIdentity identity);
    int GetPinCount() override { return outputCount(); }
    mf::BasePin* GetPin(int n) override { return n < outputCount() ? output(n) : nullptr; }
    HRESULT Load(std::string_view path, const mf::MediaType* type) override;
    HRESULT GetCurFile(std::string* path, mf::MediaType* type) override;

private:
    std::string path_;
};

} // namespace sp::outside
