#include "platform/outside/frame_cache.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdlib>
#include <iterator>

namespace sp::outside {

namespace {

size_t bufferBytes(const AVFrame& frame) {
    size_t bytes = 0;
    for (const AVBufferRef* buf : frame.buf)
        if (buf) bytes += buf->size;
    for (int i = 0; i < frame.nb_extended_buf; ++i)
        bytes += frame.extended_buf[i]->size;
    return bytes;
}

uint64_t distance(int64_t a, int64_t b) {
    return a > b ? uint64_t(a) - uint64_t(b) : uint64_t(b) - uint64_t(a);
}

} // namespace

void FrameDeleter::operator()(AVFrame* f) const {
    av_frame_free(&f);
}

void FrameCache::beginRun() {
    runHasPrevious_ = false;
}

void FrameCache::add(const AVFrame& frame, int64_t startHns, int64_t durationHns) {
    auto it = entries_.find(startHns);
    if (it == entries_.end()) {
        const size_t bytes = bufferBytes(frame);
        FramePtr copy(makeRoom(bytes, startHns) ? av_frame_clone(&frame) : nullptr);
        if (copy) {
            it = entries_.emplace(startHns, Entry{std::move(copy), startHns, durationHns, bytes})
                     .first;
            bytes_ += bytes;
        }
    }
    if (runHasPrevious_ && it != entries_.end() && it != entries_.begin()) {
        auto previous = std::prev(it);
        if (previous->first == runPrevious_) previous->second.nextKnown = true;
    }
    runHasPrevious_ = true;
    runPrevious_ = startHns;
}

void FrameCache::endOfStream() {
    if (!runHasPrevious_) return;
    if (auto it = entries_.find(runPrevious_); it != entries_.end()) it->second.lastOfStream = true;
}

const FrameCache::Entry* FrameCache::onScreenAt(int64_t t) const {
    auto it = entries_.upper_bound(t + kSameTimeHns);
    if (it == entries_.begin()) return nullptr;
    const Entry& e = std::prev(it)->second;
    if (e.nextKnown || e.lastOfStream) return &e;
    if (e.durationHns > 0 && t + kSameTimeHns < e.startHns + e.durationHns) return &e;
    return nullptr;
}

const FrameCache::Entry* FrameCache::after(int64_t startHns) const {
    auto it = entries_.find(startHns);
    if (it == entries_.end() || !it->second.nextKnown) return nullptr;
    ++it;
    return it == entries_.end() ? nullptr : &it->second;
}

const FrameCache::Entry* FrameCache::firstAfter(int64_t startHns) const {
    auto it = entries_.upper_bound(startHns);
    return it == entries_.end() ? nullptr : &it->second;
}

std::vector<const FrameCache::Entry*> FrameCache::between(int64_t fromHns, int64_t toHns) const {
    std::vector<const Entry*> found;
    for (auto it = entries_.lower_bound(fromHns); it != entries_.end() && it->first <= toHns; ++it)
        found.push_back(&it->second);
    return found;
}

void FrameCache::forgetDurations() {
    for (auto& [start, entry] : entries_)
        entry.durationHns = 0;
}

void FrameCache::setBudget(size_t bytes) {
    budget_ = bytes;
    makeRoom(0, focus_);
}

void FrameCache::clear() {
    entries_.clear();
    bytes_ = 0;
    runHasPrevious_ = false;
}

// Makes room for a picture of `bytes` starting at startHns by dropping the pictures farthest
// from the focus, as long as they lie farther than it; false when it does not fit.
bool FrameCache::makeRoom(size_t bytes, int64_t startHns) {
    while (bytes_ + bytes > budget_) {
        if (entries_.empty()) return false;
        auto first = entries_.begin();
        auto last = std::prev(entries_.end());
        auto farthest =
            distance(first->first, focus_) >= distance(last->first, focus_) ? first : last;
        if (distance(farthest->first, focus_) < distance(startHns, focus_)) return false;
        erase(farthest);
    }
    return true;
}

void FrameCache::erase(std::map<int64_t, Entry>::iterator it) {
    if (it != entries_.begin()) std::prev(it)->second.nextKnown = false;
    bytes_ -= it->second.bytes;
    entries_.erase(it);
}

} // namespace sp::outside
