#pragma once
// What every probe command shares: the application object (offscreen platform), the outside
// filters, a preview renderer that counts the pictures it shows, the media system and the
// main-window side of the filters' messages (descriptions copied on 0x403, frame duration
// updated from them, grabs on 0x401 handed to a callback, 0x405 noted).

#include "filters/frame_bitmap.h"
#include "media/grab_builder.h"
#include "media/media_system.h"
#include "platform/system/qt_message_target.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace sp::probe {

// Counts what the preview renderer shows (it calls from the streaming thread).
class CountingSurface final : public mf::IPresentationSurface {
public:
    void present(const uint8_t*, int, int, int) override { ++frames; }
    std::atomic<long> frames{0};
};

class Session {
public:
    Session();
    ~Session();

    // Opens the file; false (with a message on stderr) when no builder recognises it.
    bool Open(const std::string& path);
    // Selects video stream n (1-based, 0 none) and audio stream m; false when it cannot play.
    // With `settle`, waits until the still at the start is shown; a caller that seeks at once
    // need not wait (the seek waits for its own still).
    bool Select(int video, int audio, bool settle = true);
    // Waits until the still at the current position is shown, handling the messages.
    bool Settle();
    void ProcessEvents();
    // Sleeps until an event arrives (a message from a filter, the end of the stream).
    void WaitForEvents();

    TGrabBuilder* Builder() const { return builder_.get(); }
    TMediaSystem& Media() { return *media_; }
    CountingSurface& Surface() { return surface_; }
    std::function<void(TFrameBitmap& frame, int64_t grabTime)> OnGrab;
    bool EndOfMedia = false;

private:
    intptr_t Handle(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    CountingSurface surface_;
    TFilterComponent preview_;
    TFilterComponent sharedSound_;
    TBuilderEnvironment env_;
    std::shared_ptr<QtMessageTarget> target_;
    std::unique_ptr<TMediaSystem> media_;
    std::unique_ptr<TGrabBuilder> builder_;
};

} // namespace sp::probe
