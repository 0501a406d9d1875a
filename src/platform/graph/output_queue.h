#pragma once
// The hand-off between an upstream streaming thread and an output pin's own delivery thread,
// so that a renderer holding one stream's sample (cued while paused, or waiting for its time)
// does not hold back the upstream thread: a splitter's other stream, or a decoder's next
// pictures. Bounded by the pin's allocator: filled samples wait here, and upstream waits in
// GetDeliveryBuffer when every buffer is out.
//
// A sample that downstream answers with S_FALSE or a failure ends the delivery of samples:
// those queued are dropped, and pushing another returns that result until the next start or
// flush. End of stream and new segments are still delivered.

#include "platform/graph/pins.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace mf {

class OutputQueue {
public:
    struct Item {
        enum class Kind { Sample, EndOfStream, NewSegment };
        Kind kind = Kind::Sample;
        ComPtr<IMediaSample> sample;
        REFERENCE_TIME start = 0, stop = 0; // NewSegment
        double rate = 1.0;
    };

    explicit OutputQueue(BaseOutputPin* pin);
    ~OutputQueue(); // ends the thread
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Controlling thread, with the filter's state: start after the allocator is committed;
    // stop drops what is queued and joins the thread (downstream has already stopped, so a
    // delivery in progress returns).
    void start(const std::string& threadName);
    void stop();

    // Upstream streaming thread. While flushing, samples and end of stream are dropped; a new
    // segment is kept for after the flush.
    HRESULT push(Item item);

    // Upstream streaming thread: returns once everything pushed has been delivered (downstream
    // holds nothing of it in a delivery), or the queue flushes or stops, or `wanted` (asked
    // every few milliseconds) says false. For an upstream filter that fills no buffer ahead.
    void waitUntilDelivered(const std::function<bool()>& wanted);

    // Upstream's flush, any thread: beginFlush drops what is queued and holds delivery (the
    // caller then passes BeginFlush downstream, releasing a delivery blocked there);
    // endFlush waits until no delivery is in progress and lets delivery resume.
    void beginFlush();
    void endFlush();

private:
    void threadMain();
    HRESULT deliver(const Item& item);

    BaseOutputPin* pin_; // owner
    std::thread thread_; // started and joined by the controlling thread

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;  // guarded by mutex_
    bool flushing_ = false;   // guarded by mutex_
    bool stopping_ = false;   // guarded by mutex_
    bool delivering_ = false; // guarded by mutex_: the thread is inside a delivery
    HRESULT result_ = S_OK;   // guarded by mutex_: not S_OK once delivery has ended
};

} // namespace mf
