#pragma once
// FrameTimeline: the presentation times of one video stream's packets as a splitter reads them,
// and which stretches of the stream those times cover completely, so that the frame on screen at
// a time and its neighbours are known without decoding. Knows nothing of libav or pins.
//
// Completeness: packets come in decoding order. A run (reading on from a seek) starts at its
// first packet, a key frame; once a packet decoded at d has been read, every frame presented
// at or before d has been read too (a frame is decoded before it is shown). And a frame is shown
// after every frame read kReorderFrames packets before it (the deepest reordering H.264
// allows), so times read that long ago are complete too, decoding times or not. A run
// that reached the end of the stream covers everything after its start.
//
// Memory: one entry per frame time read (a two-hour 30 fps stream: about 10 MiB); past
// kMaxTimes the times are forgotten and collected again.
//
// Threads: any; each call takes the timeline's own lock (never held while reading).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace sp::outside {

class FrameTimeline {
public:
    static constexpr size_t kMaxTimes = size_t(1) << 21;
    static constexpr size_t kReorderFrames = 16;

    // Reading goes on from elsewhere (the demuxer was sought).
    void beginRun();
    // One packet read in the run: its presentation time and decoding time (kNoTimeHns when
    // none). A packet without a presentation time leaves the run's frames unknown.
    void add(int64_t startHns, int64_t decodeHns);
    // The run read to the end of the stream.
    void endOfStream();
    void clear();

    // The start of the frame on screen at t (allowing kSameTimeHns) when known.
    std::optional<int64_t> frameAt(int64_t t) const;
    // The start of the frame after (forward) or before the one on screen at t, when known.
    std::optional<int64_t> neighbour(int64_t t, bool forward) const;

private:
    struct Run {
        int64_t first = 0;
        int64_t complete = 0; // every frame starting at or before it has been read
        bool toEnd = false;
        bool broken = false; // a packet without a time was read
        std::deque<int64_t> recent; // the start times of the last packets read
    };
    bool coveredLocked(int64_t from, int64_t to) const;
    std::optional<int64_t> frameAtLocked(int64_t t) const;

    mutable std::mutex mutex_;
    std::set<int64_t> times_;
    std::vector<Run> runs_;
    bool runOpen_ = false;
};

} // namespace sp::outside
