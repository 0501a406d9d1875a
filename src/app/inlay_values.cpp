#include "app/inlay_values.h"

#include <QColor>

#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

namespace sp {

namespace {

std::optional<int64_t> ReadNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    qint64 value = 0;
    if (t.startsWith('$'))
        value = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith("0x", Qt::CaseInsensitive))
        value = t.mid(2).toLongLong(&ok, 16);
    else
        value = t.toLongLong(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

// The sixteen named colours of the original colour names, as 0x00BBGGRR.
constexpr std::array<std::pair<const char*, int32_t>, 16> kNamedColors{{
    {"black", 0x000000},
    {"maroon", 0x000080},
    {"green", 0x008000},
    {"olive", 0x008080},
    {"navy", 0x800000},
    {"purple", 0x800080},
    {"teal", 0x808000},
    {"gray", 0x808080},
    {"silver", 0xC0C0C0},
    {"red", 0x0000FF},
    {"lime", 0x00FF00},
    {"yellow", 0x00FFFF},
    {"blue", 0xFF0000},
    {"fuchsia", 0xFF00FF},
    {"aqua", 0xFFFF00},
    {"white", 0xFFFFFF},
}};

} // namespace

double TruncateToSecond(double t) {
    const double days = std::trunc(t);
    const int64_t ms = std::llround(std::fabs(t - days) * 86400000.0);
    const int64_t seconds = ms / 1000;
    const double time = double(seconds / 3600) / 24 + double(seconds / 60 % 60) / 1440 +
                        double(seconds % 60) / 86400;
    return t < 0 ? days - time : days + time;
}

QString DifferenceText(double days) {
    const auto s = int64_t(std::nearbyint(days * 86400.0)); // halves to even
    const int64_t sec = s % 60;
    const int64_t m = s / 60;
    const int64_t min = m % 60;
    const int64_t h = m / 60;
    const int64_t hour = h % 24;
    const int64_t d = h / 24;
    if (d != 0 || min != 0 || sec != 0)
        return QString::asprintf("%lld days %.2lldh %.2lldm %.2llds", static_cast<long long>(d),
                                 static_cast<long long>(hour), static_cast<long long>(min),
                                 static_cast<long long>(sec));
    return QString::asprintf("%lld hours", static_cast<long long>(hour));
}

int32_t ReadInteger(const QString& text) {
    const std::optional<int64_t> n = ReadNumber(text);
    if (!n || *n < INT32_MIN || *n > INT32_MAX) return 0;
    return int32_t(*n);
}

double ReadDays(const QString& text) {
    QString t = text.trimmed();
    t.replace(',', '.');
    bool ok = false;
    const double value = t.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

int32_t ColorFromText(const QString& text) {
    const QString t = text.trimmed();
    if (const std::optional<int64_t> n = ReadNumber(t)) {
        if (*n >= 0 && *n <= 0xFFFFFF) return int32_t(*n);
        return 0xFFFFFF;
    }
    const QString name = t.startsWith("cl", Qt::CaseInsensitive) ? t.mid(2).toLower() : t.toLower();
    for (const auto& [known, bgr] : kNamedColors)
        if (name == QLatin1String(known)) return bgr;
    const QColor color = QColor::fromString(t);
    if (color.isValid()) return BgrFromRgb(color.rgb());
    return 0xFFFFFF;
}

uint32_t RgbFromBgr(int32_t bgr) {
    const uint32_t v = uint32_t(bgr);
    return 0xFF000000u | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

int32_t BgrFromRgb(uint32_t rgb) {
    return int32_t(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

} // namespace sp
