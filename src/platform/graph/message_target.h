#pragma once
// The one way filters reach the main window: window messages with their Windows numbers.
// post() queues and returns at once; send() blocks the calling (streaming) thread until the
// main window has handled the message and returns its result.

#include <cstdint>
#include <memory>

namespace mf {

inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t WM_GRAB_FRAME = WM_USER + 1;   // 0x401, sent by the bitmap filter
inline constexpr uint32_t WM_STREAM_INFO = WM_USER + 3;  // 0x403, posted by the notifiers
inline constexpr uint32_t WM_RECONNECT = WM_USER + 4;    // 0x404, posted by the bitmap filter
inline constexpr uint32_t WM_END_OF_MEDIA = WM_USER + 5; // 0x405, posted on end of stream

class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual void post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    virtual intptr_t send(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

// The application's main window, program-wide as on the platform: filters address messages to
// it without knowing who it is. Messages to no target are dropped (send answers 0).
void setMainWindowTarget(std::shared_ptr<IMessageTarget> target);
std::shared_ptr<IMessageTarget> mainWindowTarget();

} // namespace mf
