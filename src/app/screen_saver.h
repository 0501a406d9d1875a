#pragma once
// Keeps the desktop's screen saver from starting while the main window lives, through the
// freedesktop ScreenSaver service on the session bus (Inhibit / UnInhibit). Without a session
// bus or the service nothing is inhibited and nothing is reported. The inhibition also ends
// when the process ends, since the service drops the inhibitions of a client that leaves the
// bus. User-interface thread only.

#include <QString>

#include <cstdint>

namespace sp {

class TScreenSaverInhibitor {
public:
    TScreenSaverInhibitor() = default;
    ~TScreenSaverInhibitor() { Release(); }
    TScreenSaverInhibitor(const TScreenSaverInhibitor&) = delete;
    TScreenSaverInhibitor& operator=(const TScreenSaverInhibitor&) = delete;

    // Asks the service to hold the screen saver; true when a screen saver was there to hold
    // (the "screen saver was active" of the main window).
    bool Inhibit(const QString& application, const QString& reason);
    // Gives the screen saver back when it was held. Safe to call more than once.
    void Release();
    bool Held() const { return held_; }

private:
    bool held_ = false;
    uint32_t cookie_ = 0;
    QString path_; // the object path that answered
};

} // namespace sp
