#pragma once
// Demuxer: one container read through libavformat, with times in 100 ns units. It knows
// nothing of pins; a splitter filter drives it from its own thread.
//
// Ownership and threads: the Demuxer owns the libavformat context and, for a reader source,
// the I/O context around the reader. Every operation except abort() must be called from one
// thread at a time (the splitter's streaming thread, or the thread that opened it).
// abort() may be called from any thread: the blocking call in progress returns as if at end of
// file, and so do later reads until the next seek.
//
// Failure: opening a file of another container than the forced one, a damaged header, an empty
// or unreadable file gives null with a message. A read error or damaged data past the header
// ends the stream (readPacket() returns nullopt), never a crash. Libav calls run under a
// deadline (20 s to open, 10 s per read or seek) and stop between reader calls once it passes,
// so a trickling reader cannot hold the thread; a reader call that never returns can, so a
// ReadAt must itself give up on a stalled source.

#include "platform/outside/media_types_av.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace sp::outside {

inline constexpr int64_t kNoTimeHns = std::numeric_limits<int64_t>::min();

struct PacketDeleter {
    void operator()(AVPacket* p) const;
};

// One demuxed packet. Owns its data. Times are relative to the time origin (see streams());
// either may be kNoTimeHns when the container gives none. Sound and pictures before the origin
// have negative times.
struct Packet {
    std::unique_ptr<AVPacket, PacketDeleter> raw;
    int streamIndex = -1;
    int64_t startHns = kNoTimeHns;  // presentation time (decode time when none is given)
    int64_t decodeHns = kNoTimeHns; // decode time
    int64_t durationHns = 0;
    bool keyframe = false;

    std::span<const uint8_t> data() const;
};

struct DemuxerStream {
    int index = 0; // the stream's position in streams(), as in Packet::streamIndex
    StreamKind kind = StreamKind::Other;
    mf::MediaType mediaType; // empty for kind Other
    std::string codecName;   // libavcodec's short name ("h264", "mp2", ...)
    int64_t durationHns = 0; // 0 when unknown
    // A variable-rate video stream's base frame duration (every frame starts on its grid),
    // which timecodes count in; 0 for a constant rate (the average is the frame duration).
    int64_t baseFrameHns = 0;
    // Video: bits per sample of its pictures as the stream describes them (0 when unknown),
    // and whether they carry an HDR transfer (PQ or HLG).
    int sampleBits = 0;
    bool hdr = false;
};

class Demuxer {
public:
    // Reads up to buffer.size() bytes at byte position pos; returns the count read, 0 at the
    // end, a negative number on error. Called on the thread that calls the Demuxer.
    using ReadAt = std::function<int64_t(int64_t pos, std::span<uint8_t> buffer)>;

    // `format` is a libavformat demuxer name ("avi", "mpeg", "mpegts", "asf", "dv",
    // "matroska,webm", "mov,mp4,m4a,3gp,3g2,mj2"), or empty to take whatever the data is.
    // With a name, a file whose content is recognised as another container is refused.
    static std::unique_ptr<Demuxer> openFile(const std::string& path, std::string_view format,
                                             std::string* error = nullptr);
    static std::unique_ptr<Demuxer> openReader(ReadAt reader, int64_t length,
                                               std::string_view format,
                                               std::string* error = nullptr);
    ~Demuxer();
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;

    // Every stream of the container, in the container's order. Streams of kind Other are never
    // returned by readPacket(); neither are the audio streams inside interleaved DV (they are
    // part of the interleaved stream's frames).
    //
    // Time origin: time 0 of every packet, position and duration is the presentation time of
    // the first video frame (of the earliest sound when there is no video), so that a
    // constant-rate stream's frame n starts at n frame durations on every container.
    const std::vector<DemuxerStream>& streams() const { return streams_; }
    std::string formatName() const;
    // A descriptive tag of the file, or else of its first video stream, as read on opening
    // (see mf::IContainerTags); nullopt when neither names it. Tag names ignore case.
    std::optional<std::string> tag(std::string_view name) const;
    // From the origin to the end of the longest stream.
    int64_t durationHns() const { return durationHns_; }

    // The next packet of a returned stream; nullopt at the end of the stream, on a read error,
    // on damaged data the container cannot skip, or after abort().
    std::optional<Packet> readPacket();
    // The last read ended at the end of the data (not on an error or abort()).
    bool reachedEnd() const { return atEnd_; }

    // Positions the demuxer so that the next packets of the first video (or interleaved) stream
    // start at a key frame whose time is at or before `positionHns`; earlier frames are the
    // decoder's to drop. Containers without an index (MPEG program and transport streams) are
    // searched backwards in growing steps until such a key frame is found. Video packets
    // before that key frame are skipped. False when the container cannot seek at all.
    // Sound stored before the first picture is returned again after a seek that lands on that
    // picture, even where the container's seek skips it (Matroska, FLV): decoders that carry
    // state from packet to packet (Opus, MP3's bit reservoir) then sound as from the start.
    bool seek(int64_t positionHns);
    // The key frame of the first video stream at or before positionHns, from the container's
    // index; nullopt without an index that reaches that far (program and transport streams).
    std::optional<int64_t> keyframeAtOrBefore(int64_t positionHns) const;

    // Any thread. Makes the read in progress and later reads end; seek() clears it.
    void abort();

    // Nothing has been read, sought or aborted since the open: the demuxer is as a new open of
    // the same bytes would leave it.
    bool untouched() const { return untouched_ && !aborted_.load(); }
    // A demuxer opened with openReader reads through `reader` from now on (the same bytes
    // offered by another reader); false, changing nothing, for one opened on a file.
    bool rebind(ReadAt reader);

private:
    Demuxer();
    bool openInput(std::string_view format, std::string* error);
    bool describeStreams(std::string* error);
    void setTimeOrigin();
    void keepTags();
    bool hasVideo() const;
    void markInterleavedDv();
    bool seekRaw(int64_t positionHns);
    bool seekToKeyframe(int64_t positionHns);
    void keepSoundLead();
    void restoreSoundLead();
    enum class KeyCheck { AtOrBefore, Late, Unknown };
    KeyCheck readToKeyframe(int referenceStream, int64_t positionHns);
    std::optional<Packet> readRaw();
    bool returned(int streamIndex) const;
    int referenceStream() const;
    void armDeadline(std::chrono::seconds budget);
    static int interruptCallback(void* opaque);

    AVFormatContext* context_ = nullptr;
    AVIOContext* io_ = nullptr;
    bool customIo_ = false;
    ReadAt reader_;
    bool untouched_ = true;
    int64_t readerLength_ = 0;
    int64_t readerPos_ = 0;
    std::vector<DemuxerStream> streams_;
    std::vector<bool> hidden_; // per stream: never returned
    // The file's tags, then the first video stream's (name, value), as read on opening.
    std::vector<std::pair<std::string, std::string>> tags_;
    std::deque<Packet> pending_; // read ahead (while opening or seeking), returned first
    // The sound packets stored before the first video packet (copies of those read on opening),
    // and that video packet's time.
    std::vector<Packet> soundLead_;
    int64_t firstVideoHns_ = kNoTimeHns;
    int64_t startTimeHns_ = 0;
    int64_t durationHns_ = 0;
    std::atomic<bool> aborted_{false};
    bool atEnd_ = false;
    std::atomic<int64_t> deadlineNs_{0}; // steady clock; libav calls are interrupted after it

    static int readCallback(void* opaque, uint8_t* buf, int size);
    static int64_t seekCallback(void* opaque, int64_t offset, int whence);
    int64_t toHns(int64_t ts, int streamIndex) const;
    int64_t onFrameGrid(int64_t hns, int streamIndex) const;
    Packet wrap(AVPacket* pkt) const;
};

} // namespace sp::outside
