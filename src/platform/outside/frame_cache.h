#pragma once
// FrameCache: decoded pictures of one video stream kept by presentation time (libavcodec's own
// frames, referenced, not copied or converted), so that a step back, or a step forward onto a
// picture already decoded, needs no decoding. Knows libav frames; nothing of pins.
//
// Memory: at most budgetBytes of picture buffers, counted from the frames' buffers (by default
// kDefaultBudgetBytes, 384 MiB: about 120 full-HD pictures; with the decoder's own pool and the
// rest of the program, a process stepping through full HD stays under 800 MiB). When a new
// picture would pass the budget, the pictures farthest in time from the focus (the position
// being shown or sought) go first.
//
// Continuity: the decoder hands in the pictures of one run (decoding from a key frame, without
// a flush in between) in presentation order, so within a run each picture is known to be
// followed by the next one handed in. A picture whose successor is known, or whose duration
// covers a time, is the one on screen at that time; the cache never guesses across a gap.
//
// Threads: one caller at a time (the decoder's). Lifetime: the owner drops it with its stream
// (a decoder belongs to one stream of one file), or calls clear().

#include "platform/outside/demuxer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct AVFrame;

namespace sp::outside {

// Sample times are rounded to 100 ns: a picture starting this little after a time is the
// picture at that time (the same allowance as the packed timecode's).
inline constexpr int64_t kSameTimeHns = 200;

struct FrameDeleter {
    void operator()(AVFrame* f) const;
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

class FrameCache {
public:
    static constexpr size_t kDefaultBudgetBytes = size_t(384) << 20;

    struct Entry {
        FramePtr frame;
        int64_t startHns = 0;
        int64_t durationHns = 0; // 0 when unknown
        size_t bytes = 0;
        bool nextKnown = false;    // the following entry is the next picture of the stream
        bool lastOfStream = false; // no picture follows (the run ended at the end of stream)
    };

    explicit FrameCache(size_t budgetBytes = kDefaultBudgetBytes) : budget_(budgetBytes) {}

    // The next picture handed in does not follow the previous one (the decoder was flushed).
    void beginRun();
    // A picture of the current run, after the previous one in presentation order; the cache
    // takes a new reference to it. A picture already cached at that time is kept as it is.
    void add(const AVFrame& frame, int64_t startHns, int64_t durationHns);
    // The run ended with the stream: its last picture is the stream's last.
    void endOfStream();

    // The picture on screen at t (allowing kSameTimeHns), when the cache knows it for sure.
    const Entry* onScreenAt(int64_t t) const;
    // The picture after the one starting at startHns, when the cache knows it for sure.
    const Entry* after(int64_t startHns) const;
    // The first picture starting after startHns, known to follow or not.
    const Entry* firstAfter(int64_t startHns) const;
    // The pictures starting within [fromHns, toHns], earliest first.
    std::vector<const Entry*> between(int64_t fromHns, int64_t toHns) const;

    // The durations handed in are not the frames' own (a variable rate): pictures cover times
    // only up to the next picture known.
    void forgetDurations();

    void setFocus(int64_t t) { focus_ = t; }
    void setBudget(size_t bytes);
    size_t bytes() const { return bytes_; }
    size_t budget() const { return budget_; }
    size_t count() const { return entries_.size(); }
    void clear();

private:
    bool makeRoom(size_t bytes, int64_t startHns);
    void erase(std::map<int64_t, Entry>::iterator it);

    std::map<int64_t, Entry> entries_; // by start time
    size_t budget_;
    size_t bytes_ = 0;
    int64_t focus_ = 0;
    bool runHasPrevious_ = false;
    int64_t runPrevious_ = 0; // start of the run's previous picture, while still cached
};

} // namespace sp::outside
