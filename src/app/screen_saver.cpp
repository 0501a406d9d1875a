#include "app/screen_saver.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace sp {

namespace {

const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kInterface = "org.freedesktop.ScreenSaver";
// Desktops publish the interface under one of these paths.
const char* const kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

} // namespace

bool TScreenSaverInhibitor::Inhibit(const QString& application, const QString& reason) {
    if (held_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    for (const char* path : kPaths) {
        QDBusInterface saver(kService, path, kInterface, bus);
        if (!saver.isValid()) continue;
        saver.setTimeout(2000);
        QDBusReply<uint32_t> reply = saver.call("Inhibit", application, reason);
        if (!reply.isValid()) continue;
        cookie_ = reply.value();
        path_ = path;
        held_ = true;
        return true;
    }
    return false;
}

void TScreenSaverInhibitor::Release() {
    if (!held_) return;
    held_ = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusInterface saver(kService, path_, kInterface, bus);
    saver.setTimeout(2000);
    if (saver.isValid()) saver.call("UnInhibit", cookie_);
}

} // namespace sp
