#include "app/paint_trace.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include <chrono>
#include <cstdio>

namespace sp {

namespace {

long long MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::unique_ptr<TPaintTrace> TPaintTrace::FromEnvironment() {
    if (!qEnvironmentVariableIsSet("STILLPICK_PAINT_TRACE")) return nullptr;
    return std::unique_ptr<TPaintTrace>(new TPaintTrace());
}

TPaintTrace::TPaintTrace() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

void TPaintTrace::Painted() const {
    std::fprintf(stderr, "stillpick-trace: painted %lld\n", MonotonicNs());
    std::fflush(stderr);
}

// A key press reaches the application first as a shortcut override (the shortcuts' turn), then,
// unless a shortcut took it, as the press itself; the first of them is the moment it arrived.
bool TPaintTrace::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->timestamp() == lastKeyTime_) return false;
    lastKeyTime_ = key->timestamp();
    std::fprintf(stderr, "stillpick-trace: key %lld\n", MonotonicNs());
    std::fflush(stderr);
    return false;
}

} // namespace sp
