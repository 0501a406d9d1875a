#pragma once
// "DV Splitter" (CLSID_DVSplitter): whole DV frames in (MEDIATYPE_Interleaved / dvsd /
// FORMAT_DvInfo), two streams out: the frames themselves as dvsd video (FORMAT_VideoInfo) and
// their audio as 16-bit stereo PCM. Knows nothing of libav; the audio comes from dv_audio.
//
// Types: the output pins offer their types once the input is connected. The TV system comes
// from the DVINFO block's VAUX source pack (its 50/60 flag), else from its AAUX source pack,
// else 625/50; the audio rate from the AAUX source pack, else 48 kHz. When a frame later says
// otherwise, the new type travels with that frame's output sample if the downstream pin accepts
// it; otherwise that pin skips the frame rather than mislabel it.
//
// Streaming (upstream's thread, under streamMutex_): each frame is copied into a sample of the
// video pin, then its PCM into a sample of the audio pin, both with the input sample's times
// and flags; each output pin delivers its samples on its own thread (mf::OutputQueue), so a
// paused renderer on one stream cannot starve the other. Unconnected outputs are skipped; so is
// the audio of a frame without usable audio (short or damaged), and the video of a frame longer
// than a 625/50 frame. A pin whose downstream answers S_FALSE gets nothing more until the next
// flush or run; when every connected pin has, Receive answers S_FALSE. A failure downstream is
// returned upstream with the next frame. End of stream, flushes and new segments go to every
// connected output, end of stream and new segments in order with the samples.

#include "platform/graph/base_filter.h"
#include "platform/graph/output_queue.h"
#include "platform/graph/formats.h"
#include "platform/graph/mediatype.h"
#include "platform/outside/dv_audio.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

namespace sp::outside {

// The stream facts the output types are built from.
struct DvStreamFormat {
    DvSystem system = DvSystem::Lines625;
    int sampleRate = 48000;
    friend bool operator==(const DvStreamFormat&, const DvStreamFormat&) = default;
};

DvStreamFormat dvStreamFormatFromInfo(const mf::DVINFO& info);

// MEDIATYPE_Video / dvsd / FORMAT_VideoInfo: 720x576 at 25 fps or 720x480 at 29.97 fps,
// biCompression 'dvsd', biSizeImage the frame size.
mf::MediaType dvVideoType(DvSystem system);
// 16-bit stereo PCM at `sampleRate`.
mf::MediaType dvAudioType(int sampleRate);

class DvSplitterFilter;

class DvSplitterInputPin final : public mf::BaseInputPin {
public:
    explicit DvSplitterInputPin(DvSplitterFilter* owner);
    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT SetMediaType(const mf::MediaType& type) override;
    mf::HRESULT Receive(mf::IMediaSample* sample) override;
    mf::HRESULT EndOfStream() override;
    mf::HRESULT BeginFlush() override;
    mf::HRESULT EndFlush() override;
    mf::HRESULT NewSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate) override;

private:
    DvSplitterFilter* owner_;
};


class DvSplitterOutputPin final : public mf::BaseOutputPin {
public:
    enum class Kind { Video, Audio };
    DvSplitterOutputPin(DvSplitterFilter* owner, Kind kind);

    mf::HRESULT CheckConnect(mf::IPin* peer) override;
    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;
    mf::HRESULT Active() override;   // commits the allocator, starts the delivery thread
    mf::HRESULT Inactive() override; // ends the delivery thread, decommits the allocator

    Kind kind() const { return kind_; }

    // Upstream streaming thread: copies `payload` into a sample with the times and flags of
    // `in`, labelled with `type` (switching the connection to it first when it differs), and
    // queues it. S_OK also when the pin skips the payload; otherwise what push() answers.
    mf::HRESULT queuePayload(mf::IMediaSample* in, std::span<const uint8_t> payload,
                             const mf::MediaType& type);
    mf::HRESULT queueEndOfStream();
    mf::HRESULT queueNewSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate);
    mf::HRESULT beginFlush();
    mf::HRESULT endFlush();

private:
    bool switchTypeTo(const mf::MediaType& type, mf::IMediaSample* out);

    DvSplitterFilter* owner_;
    Kind kind_;
    mf::OutputQueue queue_;
};

class DvSplitterFilter final : public mf::BaseFilter {
public:
    DvSplitterFilter();
    ~DvSplitterFilter() override;

    int GetPinCount() override { return 3; }
    mf::BasePin* GetPin(int n) override; // 0 input, 1 video, 2 audio

    DvSplitterInputPin* input() const { return input_.get(); }
    DvSplitterOutputPin* videoOutput() const { return video_.get(); }
    DvSplitterOutputPin* audioOutput() const { return audio_.get(); }

    // The format announced by the connected input's DVINFO; any thread.
    DvStreamFormat announcedFormat() const;

protected:
    mf::HRESULT onInactive() override;

private:
    friend class DvSplitterInputPin;
    // Streaming thread, through the input pin.
    mf::HRESULT receive(mf::IMediaSample* sample);
    mf::HRESULT endOfStream();
    mf::HRESULT beginFlush();
    mf::HRESULT endFlush();
    mf::HRESULT newSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate);
    mf::HRESULT queueVideoLocked(mf::IMediaSample* sample, std::span<const uint8_t> frame);
    mf::HRESULT queueAudioLocked(mf::IMediaSample* sample, std::span<const uint8_t> frame);
    // Connected outputs, for passing stream events on.
    template <class F> mf::HRESULT forEachConnectedOutput(F&& f);

    std::unique_ptr<DvSplitterInputPin> input_;
    std::unique_ptr<DvSplitterOutputPin> video_;
    std::unique_ptr<DvSplitterOutputPin> audio_;
    // Set when the input's type is set (controlling thread, or a type change carried by a
    // sample on the streaming thread); read when output types are offered.
    std::atomic<DvStreamFormat> announced_{DvStreamFormat{}};
};

} // namespace sp::outside
