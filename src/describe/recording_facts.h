#pragma once
// When, where and with what a video was recorded, from what files carry about it: container tags
// (ISO 8601 dates, ISO 6709 places, camera names) and the "MDPM" user data AVCHD camcorders put
// into each H.264 access unit. Dates are day counts (day_count.h) of the recording's own clock;
// a date that is not plausible (before 1980, or more than a day after `now`) counts as none.
//
// All functions are pure and may be called from any thread.

#include "describe/day_count.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sp {

// A date and time with, when the text gives it, its offset from UTC in minutes.
struct RecordingStamp {
    double DayCount = 0;
    std::optional<int> ZoneMinutes;
};

// A place on the WGS 84 globe: degrees north and east, metres above sea level.
struct GeoPlace {
    double Latitude = 0;
    double Longitude = 0;
    std::optional<double> Altitude;
    friend bool operator==(const GeoPlace&, const GeoPlace&) = default;
};

struct RecordingFacts {
    std::optional<double> Start; // day count of the first frame
    std::optional<int> ZoneMinutes;
    std::string Make;
    std::string Model;
    std::optional<GeoPlace> Place;
};

// The current UTC time as a day count.
double NowDayCount();
// From 1 January 1980 to one day after `now`.
bool IsPlausibleRecordingDate(double dayCount, double now);

// "2023-05-01", "2023-05-01T10:20:30.5Z", "2023-05-01 12:20:30+0200", "...+02:00"; nullopt for
// anything else (also for an invalid calendar date).
std::optional<RecordingStamp> ParseTagDateTime(std::string_view text);

// ISO 6709 in decimal degrees or degrees-minutes(-seconds), latitude then longitude then an
// optional altitude, each with its sign ("+48.8577+002.2950+035.0/"); nullopt when it does not
// parse or lies off the globe.
std::optional<GeoPlace> ParseIso6709(std::string_view text);

// The facts of a file from its tags (`tag` answers a tag name, nullopt when absent): Apple's
// local creation date with its zone first, then Matroska's recording date, then the UTC
// creation time; the place from Apple's or the common location tag; the camera from Apple's or
// the common make and model tags. Implausible dates and unparsable places are left out.
using TagLookup = std::function<std::optional<std::string>(std::string_view name)>;
RecordingFacts RecordingFactsFromTags(const TagLookup& tag, double now);

// What one access unit's MDPM block says.
struct MdpmFacts {
    std::optional<CalendarDateTime> When; // the camera's clock
    std::optional<int> ZoneMinutes;
    std::string Make;
    std::string Model;
};

// The MDPM block of an H.264 access unit in Annex B form (start codes), from its SEI user data
// unregistered; nullopt when the unit carries none. A block with a damaged date gives no date.
std::optional<MdpmFacts> FindMdpm(std::span<const uint8_t> accessUnit);

} // namespace sp
