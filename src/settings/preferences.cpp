#include "settings/preferences.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

#include <bit>
#include <climits>
#include <unistd.h>

namespace sp {

TPrefsMode SaveMode = pmRegistry;

namespace {

QString& programFileOverride() {
    static QString path;
    return path;
}

QString runningExecutable() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? QString::fromLocal8Bit(buffer, n) : QString();
}

// The first separator character of a numeric format, when it is one of `allowed`.
QChar separatorOf(const QString& format, QStringView allowed, QChar fallback) {
    for (const QChar c : format) {
        if (c.isLetter() || c == u'\'') continue;
        return allowed.contains(c) ? c : fallback;
    }
    return fallback;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
}

} // namespace

QString ProgramFilePath() {
    const QString& forced = programFileOverride();
    return forced.isEmpty() ? runningExecutable() : forced;
}

QString ProgramFolder() {
    return QFileInfo(ProgramFilePath()).absolutePath();
}

QString IniFileName() {
    return ProgramFolder() + QStringLiteral("/Stillpick.ini");
}

void SetProgramFilePath(const QString& path) {
    programFileOverride() = path;
}

std::array<uint8_t, 8> FloatBytes(double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    std::array<uint8_t, 8> bytes{};
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    return bytes;
}

std::optional<double> FloatFromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() != 8) return std::nullopt;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= uint64_t(bytes[i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

QString FormatSaveDate(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    const QChar dateSep = separatorOf(locale.dateFormat(QLocale::ShortFormat), u"/.-", u'/');
    const QChar timeSep = separatorOf(locale.timeFormat(QLocale::ShortFormat), u":.", u':');
    const QDate date = when.date();
    const QTime time = when.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1").arg(date.year(), 4, 10, QChar(u'0')) + dateSep +
           twoDigits(date.month()) + dateSep + twoDigits(date.day()) + u' ' + twoDigits(hour12) +
           timeSep + twoDigits(time.minute()) + timeSep + twoDigits(time.second()) + u' ' +
           (time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

} // namespace sp
