#pragma once
// Splitters over the Demuxer: one output pin per video, audio or interleaved (DV) stream,
// each with its own streaming thread. A pin whose queue is empty reads the demuxer itself
// (under the demuxer lock) and files the packets of the other streams in their queues, so no
// thread waits for another. Packets of unconnected streams are dropped.
//
// Two ways in: StreamSplitterFilter takes the byte stream of File Source (Async.) on its input
// pin and opens the demuxer when that pin connects (the connection fails when the data is not
// its container); FileSplitterFilter loads the path itself (IFileSourceFilter, S_OK only when
// the file opened as one of its containers). A stream splitter disconnected before it streamed
// keeps its demuxer: connected again to a reader of the same file (a filter moved from the
// graph that discovered the streams to the one that plays them), it takes it up again
// instead of reading and probing the file a second time.
//
// Samples carry times relative to the current segment: after a seek to p the segment starts
// at p, so earlier frames decoded to reach p have negative times (decoders drop them); PCM
// sound, which no decoder follows, is cut at the segment start to the sample frame here. A seek
// suspends every pin thread (flushing downstream), moves the demuxer, empties the queues and
// starts the threads again, each delivering NewSegment first, then samples from a key frame
// (the first marked as a discontinuity). A read error ends the streams.
//
// Continuing instead of seeking: a seek a little ahead of the last one, to a picture the video
// packets already read reach, or to one not read yet (also behind the last target, while
// decoding has not reached it) that decoding from where it is reaches sooner than from the
// key frame before it (no key frame lies between, by the index; within kContinueWindowHns
// without one), does not move the demuxer: the pins are flushed and restarted with the new
// segment, and go on with the packets they had (one taken but not yet accepted downstream is
// sent again), without the discontinuity mark, so the decoder goes on decoding. Sound already
// delivered past the new start is not sent again (its place stays right by its times).
//
// Frame times (mf::IFrameTimes): the presentation times of the first video stream's packets, as
// read, tell the media system where the frames of a variable-rate stream lie (FrameTimeline).
//
// Container tags (mf::IContainerTags): the descriptive tags of the open file (recording date,
// place, camera), S_FALSE for every name while no file is open.

#include "platform/graph/base_filter.h"
#include "platform/graph/streaming_pin.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/frame_timeline.h"

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sp::outside {

using mf::HRESULT;

// What distinguishes one registered splitter from another.
struct SplitterIdentity {
    mf::GUID clsid;
    std::string name;
    std::vector<std::string> formats;    // libavformat names accepted; empty: any
    std::vector<mf::GUID> inputSubtypes; // MEDIATYPE_Stream subtypes taken (stream splitters)
};

class SplitterFilter;

class SplitterOutputPin final : public mf::StreamingOutputPin {
public:
    SplitterOutputPin(SplitterFilter* owner, std::string name, int streamIndex, mf::MediaType type);
    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT GetMediaType(int position, mf::MediaType* type) override;
    HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                             mf::AllocatorProperties* request) override;
    int streamIndex() const { return streamIndex_; }

    // Controlling thread, with the pin's thread suspended: the next run continues (no
    // discontinuity mark) or starts afresh; the packet not yet taken downstream, if any.
    void prepareRun(bool continuing) { continuing_ = continuing; }
    std::optional<Packet> takeUnsent() { return std::exchange(unsent_, std::nullopt); }

protected:
    HRESULT FillBuffer(mf::IMediaSample* sample) override;
    HRESULT OnThreadStart() override;
    void OnDelivered(HRESULT hr) override;

private:
    SplitterFilter* owner_;
    int streamIndex_;
    mf::MediaType type_;
    bool continuing_ = false;      // written while the thread is suspended
    bool discontinuity_ = true;    // streaming thread: until a sample is taken downstream
    std::optional<Packet> unsent_; // streaming thread (or suspended): copied, not yet taken
};

class SplitterFilter : public mf::BaseFilter,
                       public mf::IMediaSeeking,
                       public mf::IFrameTimes,
                       public mf::IContainerTags {
public:
    explicit SplitterFilter(SplitterIdentity identity);
    ~SplitterFilter() override;

    HRESULT GetDuration(mf::REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(mf::REFERENCE_TIME* position) override;
    HRESULT GetStopPosition(mf::REFERENCE_TIME* stop) override;
    HRESULT SetPositions(mf::REFERENCE_TIME* current, uint32_t currentFlags,
                         mf::REFERENCE_TIME* stop, uint32_t stopFlags) override;

    HRESULT FrameAt(mf::REFERENCE_TIME t, mf::REFERENCE_TIME* start) override;
    HRESULT NeighbourFrame(mf::REFERENCE_TIME t, bool forward, mf::REFERENCE_TIME* start) override;
    mf::REFERENCE_TIME TimecodeFrameDuration() override { return timecodeFrameHns_; }
    HRESULT GetTag(std::string_view name, std::string* value) override;

    // Streaming threads: the next packet of one stream, nullopt at its end or when stopping.
    std::optional<Packet> nextPacket(int streamIndex, const std::stop_token& stop);
    mf::REFERENCE_TIME segmentStart() const { return segmentStart_; }
    mf::REFERENCE_TIME duration() const { return durationHns_; }

protected:
    // Takes ownership of an opened demuxer and creates the output pins; false when the
    // container is not one of ours or offers no stream.
    bool adopt(std::unique_ptr<Demuxer> demuxer, std::string* error);
    bool acceptsFormat(const std::string& formatName) const;
    // Disconnects and retires the output pins; returns the demuxer they read.
    std::unique_ptr<Demuxer> dropOutputs();
    int outputCount() const { return int(outputs_.size()); }
    SplitterOutputPin* output(int i) const { return outputs_[size_t(i)].get(); }

    SplitterIdentity identity_;

private:
    static constexpr size_t kMaxQueuedPackets = 4096;
    static constexpr int64_t kContinueWindowHns = 20'000'000;

    bool canContinueToLocked(mf::REFERENCE_TIME target) const;
    void requeueUnsentLocked();

    // guarded by demuxMutex_
    std::mutex demuxMutex_;
    std::unique_ptr<Demuxer> demuxer_;
    std::vector<std::deque<Packet>> queues_; // per demuxer stream
    bool endOfFile_ = false;
    int videoStream_ = -1;         // the first video stream (not DV), judged for continuing
    bool videoRead_ = false;       // a video packet was read since the last demuxer seek
    int64_t lastVideoReadHns_ = 0; // the latest start time of those

    std::vector<std::unique_ptr<SplitterOutputPin>> outputs_; // fixed once opened
    // Pins of an earlier file: no longer offered, kept alive because callers may still hold
    // references to them (a pin shares its filter's count).
    std::vector<std::unique_ptr<SplitterOutputPin>> retired_;
    mf::REFERENCE_TIME segmentStart_ = 0; // written with every pin thread suspended
    FrameTimeline timeline_;              // of videoStream_; its own lock
    mf::REFERENCE_TIME timecodeFrameHns_ = 0;
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
    // The demuxer of the last connection, while it has not streamed, and what it read.
    struct Kept {
        std::unique_ptr<Demuxer> demuxer;
        std::string path;
        int64_t length = 0;
    };

    std::unique_ptr<SplitterInputPin> input_;
    mf::ComPtr<mf::IAsyncReader> reader_; // kept while connected
    Kept kept_;
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
