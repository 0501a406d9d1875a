#include "platform/outside/frame_timeline.h"

#include "platform/outside/demuxer.h"
#include "platform/outside/frame_cache.h"

#include <algorithm>
#include <iterator>

namespace sp::outside {

void FrameTimeline::beginRun() {
    std::lock_guard lock(mutex_);
    runOpen_ = false;
}

void FrameTimeline::add(int64_t startHns, int64_t decodeHns) {
    std::lock_guard lock(mutex_);
    if (startHns == kNoTimeHns) { // a frame whose place is unknown: the run tells nothing
        if (runOpen_) runs_.back().broken = true;
        return;
    }
    if (times_.size() >= kMaxTimes) {
        times_.clear();
        runs_.clear();
        runOpen_ = false;
    }
    times_.insert(startHns);
    if (!runOpen_) {
        runs_.push_back({startHns, startHns - 1, false, false, {}});
        runOpen_ = true;
    }
    Run& run = runs_.back();
    run.first = std::min(run.first, startHns);
    if (decodeHns != kNoTimeHns && decodeHns <= startHns)
        run.complete = std::max(run.complete, decodeHns);
    run.recent.push_back(startHns);
    if (run.recent.size() > kReorderFrames) {
        run.complete = std::max(run.complete, run.recent.front());
        run.recent.pop_front();
    }
}

void FrameTimeline::endOfStream() {
    std::lock_guard lock(mutex_);
    if (runOpen_) runs_.back().toEnd = true;
    runOpen_ = false;
}

void FrameTimeline::clear() {
    std::lock_guard lock(mutex_);
    times_.clear();
    runs_.clear();
    runOpen_ = false;
}

// Some run read every frame starting in [from, to].
bool FrameTimeline::coveredLocked(int64_t from, int64_t to) const {
    return std::any_of(runs_.begin(), runs_.end(), [&](const Run& run) {
        return !run.broken && run.first <= from && (run.toEnd || to <= run.complete);
    });
}

std::optional<int64_t> FrameTimeline::frameAtLocked(int64_t t) const {
    auto after = times_.upper_bound(t + kSameTimeHns);
    if (after == times_.begin()) return std::nullopt;
    const int64_t start = *std::prev(after);
    // The next frame must be known not to start before t either.
    if (!coveredLocked(start, t + kSameTimeHns)) return std::nullopt;
    return start;
}

std::optional<int64_t> FrameTimeline::frameAt(int64_t t) const {
    std::lock_guard lock(mutex_);
    return frameAtLocked(t);
}

std::optional<int64_t> FrameTimeline::neighbour(int64_t t, bool forward) const {
    std::lock_guard lock(mutex_);
    const std::optional<int64_t> on = frameAtLocked(t);
    if (!on) return std::nullopt;
    auto it = times_.find(*on);
    if (forward) {
        if (++it == times_.end() || !coveredLocked(*on, *it)) return std::nullopt;
        return *it;
    }
    if (it == times_.begin() || !coveredLocked(*std::prev(it), *on)) return std::nullopt;
    return *std::prev(it);
}

} // namespace sp::outside
