#pragma once
// The one way filters reach the main window: window messages with their Windows numbers.
// post() queues and returns at once; send() blocks the calling (streaming) thread until the
// main window has handled the message and returns its result.
//
// A streaming thread waiting in send() for the main thread must never be what the main thread
// waits for (stopping or flushing the graph joins or drains the streaming threads): such sends
// go through a SendGate, which the filter closes when it is stopped or flushed.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace mf {

inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t WM_GRAB_FRAME = WM_USER + 1;   // 0x401, sent by the bitmap filter
inline constexpr uint32_t WM_STREAM_INFO = WM_USER + 3;  // 0x403, posted by the notifiers
inline constexpr uint32_t WM_RECONNECT = WM_USER + 4;    // 0x404, posted by the bitmap filter
inline constexpr uint32_t WM_END_OF_MEDIA = WM_USER + 5; // 0x405, posted on end of stream

// One send() that its sender may stop waiting for. Shared by the sender and the target.
class SendCall {
public:
    // Any thread: the waiting sender returns 0 at once; a handler not yet started never runs.
    // After the handler has completed it changes nothing.
    void cancel();
    // For targets, on the handling thread: runs `handler` unless the call was cancelled, and
    // wakes the sender with its result.
    void complete(const std::function<intptr_t()>& handler);
    // For targets, on the sending thread: the handler's result, or 0 once cancelled.
    intptr_t wait();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false; // guarded by mutex_, as are the fields below
    bool cancelled_ = false;
    intptr_t result_ = 0;
};

class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual void post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    virtual intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    // send() that returns early (0) when `call` is cancelled. A target that handles messages on
    // the sender's own thread has nothing to wait for and just sends.
    virtual intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                          const std::shared_ptr<SendCall>& /*call*/) {
        return send(msg, wParam, lParam);
    }
};

// The sends of one filter's streaming thread, which the controlling thread can call off:
// close() releases a send in progress (it returns 0) and makes later ones return 0 without
// sending, until open(). Close it before waiting for the streaming thread (stopping, flushing);
// open it when streaming starts or the flush ends.
class SendGate {
public:
    intptr_t send(IMessageTarget& target, uint32_t msg, uintptr_t wParam, intptr_t lParam);
    void close();
    void open();

private:
    std::mutex mutex_;
    bool closed_ = false;               // guarded by mutex_
    std::shared_ptr<SendCall> current_; // guarded by mutex_: the send in progress
};

// The application's main window, program-wide as on the platform: filters address messages to
// it without knowing who it is. Messages to no target are dropped (send answers 0).
void setMainWindowTarget(std::shared_ptr<IMessageTarget> target);
std::shared_ptr<IMessageTarget> mainWindowTarget();

} // namespace mf
