#include "describe/recording_facts.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace sp {

namespace {

constexpr double kUnixEpochDayCount = 25569.0; // 1 January 1970
constexpr double kFirstPlausibleDay = 29221.0; // 1 January 1980
constexpr double kMinutesPerDay = 1440.0;

// A small reader over text: digits, signs, single characters.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    // Exactly `count` digits as a number.
    std::optional<int> digits(int count) {
        if (pos_ + size_t(count) > text_.size()) return std::nullopt;
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const char c = text_[pos_ + size_t(i)];
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        pos_ += size_t(count);
        return value;
    }
    // The run of digits at the cursor (possibly empty).
    std::string_view digitRun() {
        const size_t start = pos_;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// "Z", "+HH", "+HHMM", "+HH:MM" after a time; nullopt offset when nothing follows. False for
// anything else.
bool ReadZone(Cursor& c, std::optional<int>& zone) {
    if (c.atEnd()) return true;
    if (c.take('Z')) {
        zone = 0;
        return c.atEnd();
    }
    const int sign = c.take('+') ? 1 : c.take('-') ? -1 : 0;
    if (sign == 0) return false;
    const auto hours = c.digits(2);
    if (!hours || *hours > 14) return false;
    int minutes = 0;
    if (!c.atEnd()) {
        c.take(':');
        const auto m = c.digits(2);
        if (!m || *m > 59) return false;
        minutes = *m;
    }
    zone = sign * (*hours * 60 + minutes);
    return c.atEnd();
}

// "HH:MM[:SS[.fff]]" into `value`.
bool ReadTime(Cursor& c, CalendarDateTime& value) {
    const auto h = c.digits(2);
    if (!h || !c.take(':')) return false;
    const auto m = c.digits(2);
    if (!m) return false;
    value.Hour = *h;
    value.Minute = *m;
    if (!c.take(':')) return true;
    const auto s = c.digits(2);
    if (!s) return false;
    value.Second = *s;
    if (c.take('.')) {
        const std::string_view fraction = c.digitRun();
        if (fraction.empty()) return false;
        int ms = 0;
        for (size_t i = 0; i < 3; ++i)
            ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
        value.Millisecond = ms;
    }
    return true;
}

std::optional<RecordingStamp> PlausibleStamp(const std::optional<RecordingStamp>& stamp,
                                             double now) {
    if (!stamp || !IsPlausibleRecordingDate(stamp->DayCount, now)) return std::nullopt;
    return stamp;
}

// ISO 6709 coordinate: sign, `degreeDigits` digits of degrees, optionally two of minutes and two
// of seconds, then an optional decimal fraction of the last unit.
std::optional<double> ReadCoordinate(Cursor& c, int degreeDigits) {
    const int sign = c.take('+') ? 1 : c.take('-') ? -1 : 0;
    if (sign == 0) return std::nullopt;
    const std::string_view whole = c.digitRun();
    const int extra = int(whole.size()) - degreeDigits;
    if (extra != 0 && extra != 2 && extra != 4) return std::nullopt;
    double fraction = 0;
    if (c.take('.')) {
        const std::string_view f = c.digitRun();
        if (f.empty()) return std::nullopt;
        double scale = 0.1;
        for (char d : f) {
            fraction += (d - '0') * scale;
            scale /= 10;
        }
    }
    auto number = [&](size_t from, size_t count) {
        int v = 0;
        for (size_t i = from; i < from + count; ++i)
            v = v * 10 + (whole[i] - '0');
        return double(v);
    };
    double degrees = number(0, size_t(degreeDigits));
    if (extra == 0) degrees += fraction;
    if (extra >= 2) {
        const double minutes = number(size_t(degreeDigits), 2) + (extra == 2 ? fraction : 0);
        if (minutes >= 60) return std::nullopt;
        degrees += minutes / 60;
    }
    if (extra == 4) {
        const double seconds = number(size_t(degreeDigits) + 2, 2) + fraction;
        if (seconds >= 60) return std::nullopt;
        degrees += seconds / 3600;
    }
    return sign * degrees;
}

std::optional<double> ReadAltitude(Cursor& c) {
    const int sign = c.take('+') ? 1 : c.take('-') ? -1 : 0;
    if (sign == 0) return std::nullopt;
    const std::string_view whole = c.digitRun();
    if (whole.empty()) return std::nullopt;
    double value = 0;
    for (char d : whole)
        value = value * 10 + (d - '0');
    if (c.take('.')) {
        double scale = 0.1;
        for (char d : c.digitRun()) {
            value += (d - '0') * scale;
            scale /= 10;
        }
    }
    return sign * value;
}

std::optional<std::string> FirstTag(const TagLookup& tag,
                                    std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (auto value = tag(name); value && !value->empty()) return value;
    return std::nullopt;
}

} // namespace

double NowDayCount() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpochDayCount + std::chrono::duration<double, std::ratio<86400>>(since).count();
}

bool IsPlausibleRecordingDate(double dayCount, double now) {
    return std::isfinite(dayCount) && dayCount >= kFirstPlausibleDay && dayCount <= now + 1.0;
}

std::optional<RecordingStamp> ParseTagDateTime(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    Cursor c(text);
    CalendarDateTime value;
    const auto y = c.digits(4);
    if (!y || !c.take('-')) return std::nullopt;
    const auto mo = c.digits(2);
    if (!mo || !c.take('-')) return std::nullopt;
    const auto d = c.digits(2);
    if (!d) return std::nullopt;
    value.Year = *y;
    value.Month = *mo;
    value.Day = *d;
    RecordingStamp stamp;
    if ((c.take('T') || c.take(' ')) && (!ReadTime(c, value) || !ReadZone(c, stamp.ZoneMinutes)))
        return std::nullopt;
    if (!c.atEnd()) return std::nullopt;
    const auto dayCount = EncodeDayCount(value);
    if (!dayCount) return std::nullopt;
    stamp.DayCount = *dayCount;
    return stamp;
}

std::optional<GeoPlace> ParseIso6709(std::string_view text) {
    Cursor c(text);
    const auto latitude = ReadCoordinate(c, 2);
    if (!latitude || std::abs(*latitude) > 90) return std::nullopt;
    const auto longitude = ReadCoordinate(c, 3);
    if (!longitude || std::abs(*longitude) > 180) return std::nullopt;
    GeoPlace place{*latitude, *longitude, std::nullopt};
    if (c.peek() == '+' || c.peek() == '-') {
        place.Altitude = ReadAltitude(c);
        if (!place.Altitude) return std::nullopt;
    }
    // What may follow: the closing solidus, a coordinate reference system, or nothing.
    if (c.atEnd() || c.peek() == '/' || c.peek() == 'C') return place;
    return std::nullopt;
}

RecordingFacts RecordingFactsFromTags(const TagLookup& tag, double now) {
    RecordingFacts facts;
    auto stampOf = [&](std::initializer_list<const char*> names) -> std::optional<RecordingStamp> {
        const auto text = FirstTag(tag, names);
        return text ? PlausibleStamp(ParseTagDateTime(*text), now) : std::nullopt;
    };
    if (auto local = stampOf({"com.apple.quicktime.creationdate"})) {
        facts.Start = local->DayCount;
        facts.ZoneMinutes = local->ZoneMinutes;
    } else if (auto recorded = stampOf({"DATE_RECORDED"})) {
        facts.Start = recorded->DayCount;
        facts.ZoneMinutes = recorded->ZoneMinutes;
    } else if (auto utc = stampOf({"creation_time"})) {
        // The time is UTC; a zone it names is applied, so what remains is UTC's clock.
        facts.Start = utc->DayCount - utc->ZoneMinutes.value_or(0) / kMinutesPerDay;
        facts.ZoneMinutes = 0;
    }
    if (auto place =
            FirstTag(tag, {"com.apple.quicktime.location.ISO6709", "location", "location-eng"}))
        facts.Place = ParseIso6709(*place);
    facts.Make = FirstTag(tag, {"com.apple.quicktime.make", "make"}).value_or("");
    facts.Model = FirstTag(tag, {"com.apple.quicktime.model", "model"}).value_or("");
    return facts;
}

} // namespace sp
