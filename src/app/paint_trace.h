#pragma once
// A diagnostic for the window benches: with STILLPICK_PAINT_TRACE set in the environment, the
// video view says on stderr when it paints a fresh picture, and when the program receives a key
// press, each with the time of the system's monotonic clock (CLOCK_MONOTONIC, nanoseconds):
//     stillpick-trace: key <ns>
//     stillpick-trace: painted <ns>
// so that a bench that knows when it started the program or pressed a key can tell how long the
// picture took to reach the screen. Off (and not even made) without the variable.

#include <QObject>

#include <memory>

namespace sp {

class TPaintTrace final : public QObject {
public:
    // Null unless the environment asks for the trace; the trace watches the application's keys.
    static std::unique_ptr<TPaintTrace> FromEnvironment();

    // User-interface thread, after a fresh picture was painted.
    void Painted() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TPaintTrace();
    // The window system's time of the press traced last: its shortcut override and the press
    // itself, passed on to one receiver after another, carry the same time; one line for all.
    unsigned long long lastKeyTime_ = ~0ull;
};

} // namespace sp
