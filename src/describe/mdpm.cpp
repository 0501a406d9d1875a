// The MDPM block of AVCHD camcorders: SEI user data unregistered (payload type 5) whose UUID is
// 17EE8C60-F84D-11D9-8CD6-0800200C9A66, followed by "MDPM", a count, and that many 5-byte
// entries (a tag, 4 data bytes, tags in rising order). Tag 0x18 holds the zone byte, then
// century, year and month in BCD; tag 0x19 day, hour, minute and second in BCD. The zone byte:
// bit 0x20 the sign (set west of Greenwich), bits 0x1E the hours, bit 0x01 a further half hour;
// bit 0x40 flags daylight saving time and adds nothing to the hours; bit 0x80 is unused.
// Tag 0xE0 starts with the maker's code (16 bits, big-endian). Sony cameras put the model name
// in tags 0xE4 to 0xE6, four ASCII characters each, padded with zero bytes; the tags after
// those hold other makers' binary data, never part of a name.
#include "describe/recording_facts.h"

#include <algorithm>
#include <array>
#include <vector>

namespace sp {

namespace {

constexpr std::array<uint8_t, 16> kMdpmUuid = {0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11, 0xD9,
                                               0x8C, 0xD6, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66};
constexpr uint8_t kSeiNalType = 6;
constexpr int kUserDataUnregistered = 5;
constexpr int kLongestZoneMinutes = 14 * 60;
constexpr uint8_t kZoneWest = 0x20;
constexpr uint8_t kZoneHalfHour = 0x01;
constexpr uint8_t kFirstModelTag = 0xE4;
constexpr uint8_t kLastModelTag = 0xE6;

std::optional<int> Bcd(uint8_t byte) {
    const int high = byte >> 4, low = byte & 0x0F;
    if (high > 9 || low > 9) return std::nullopt;
    return high * 10 + low;
}

// The NAL payload without its emulation prevention bytes (00 00 03 -> 00 00).
std::vector<uint8_t> Unescape(std::span<const uint8_t> nal) {
    std::vector<uint8_t> out;
    out.reserve(nal.size());
    int zeros = 0;
    for (uint8_t b : nal) {
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        out.push_back(b);
    }
    return out;
}

// The NAL units of an Annex B access unit, in order, up to the first picture slice (the user
// data comes before the slices, so the picture data is never scanned).
std::vector<std::span<const uint8_t>> NalUnitsBeforeSlices(std::span<const uint8_t> data) {
    std::vector<std::span<const uint8_t>> units;
    size_t start = 0;
    bool open = false;
    auto isSlice = [&](size_t at) {
        return at < data.size() && (data[at] & 0x1F) >= 1 && (data[at] & 0x1F) <= 5;
    };
    for (size_t i = 0; i + 2 < data.size(); ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        if (open) {
            size_t end = i;
            while (end > start && data[end - 1] == 0)
                --end; // zero_byte of a 4-byte start code
            units.push_back(data.subspan(start, end - start));
        }
        start = i + 3;
        open = true;
        if (isSlice(start)) return units;
        i += 2;
    }
    if (open && start < data.size()) units.push_back(data.subspan(start));
    return units;
}

void ReadEntry(uint8_t tag, std::span<const uint8_t, 4> v, MdpmFacts& facts,
               std::array<uint8_t, 4>& datePart, bool& haveDatePart, std::string& model) {
    if (tag == 0x18) {
        const int sign = v[0] & kZoneWest ? -1 : 1;
        const int minutes = ((v[0] >> 1) & 0x0F) * 60 + (v[0] & kZoneHalfHour ? 30 : 0);
        if (minutes <= kLongestZoneMinutes) facts.ZoneMinutes = sign * minutes;
        std::copy(v.begin(), v.end(), datePart.begin());
        haveDatePart = true;
    } else if (tag == 0x19 && haveDatePart) {
        const auto century = Bcd(datePart[1]), year = Bcd(datePart[2]), month = Bcd(datePart[3]);
        const auto day = Bcd(v[0]), hour = Bcd(v[1]), minute = Bcd(v[2]), second = Bcd(v[3]);
        if (!century || !year || !month || !day || !hour || !minute || !second) return;
        CalendarDateTime when{*century * 100 + *year, *month, *day, *hour, *minute, *second, 0};
        if (EncodeDayCount(when)) facts.When = when;
    } else if (tag == 0xE0) {
        switch ((v[0] << 8) | v[1]) {
        case 0x0103:
            facts.Make = "Panasonic";
            break;
        case 0x0108:
            facts.Make = "Sony";
            break;
        case 0x1011:
            facts.Make = "Canon";
            break;
        case 0x1104:
            facts.Make = "JVC";
            break;
        default:
            break;
        }
    } else if (tag >= kFirstModelTag && tag <= kLastModelTag && facts.Make == "Sony") {
        for (uint8_t c : v) {
            if (c == 0) break; // padding after the name
            if (c >= 0x20 && c < 0x7F) model.push_back(char(c));
        }
    }
}

std::optional<MdpmFacts> ParseMdpm(std::span<const uint8_t> block) {
    if (block.size() < 5 || !std::equal(block.begin(), block.begin() + 4, "MDPM")) return {};
    const size_t count = block[4];
    MdpmFacts facts;
    std::array<uint8_t, 4> datePart{};
    bool haveDatePart = false;
    std::string model;
    for (size_t i = 0; i < count && 5 + i * 5 + 5 <= block.size(); ++i) {
        const auto entry = block.subspan(5 + i * 5, 5);
        ReadEntry(entry[0], entry.subspan<1, 4>(), facts, datePart, haveDatePart, model);
    }
    while (!model.empty() && model.back() == ' ')
        model.pop_back();
    facts.Model = std::move(model);
    return facts;
}

// A payload type or size of an SEI message: 0xFF bytes add 255 each, the last adds itself.
std::optional<size_t> SeiNumber(std::span<const uint8_t> sei, size_t& pos) {
    size_t value = 0;
    while (pos < sei.size()) {
        const uint8_t b = sei[pos++];
        value += b;
        if (b != 0xFF) return value;
    }
    return std::nullopt;
}

std::optional<MdpmFacts> MdpmInSei(std::span<const uint8_t> sei) {
    size_t pos = 0;
    while (pos + 2 <= sei.size() && sei[pos] != 0x80) { // 0x80: the trailing bits
        const auto type = SeiNumber(sei, pos);
        const auto size = SeiNumber(sei, pos);
        if (!type || !size || *size > sei.size() - pos) return std::nullopt;
        const auto payload = sei.subspan(pos, *size);
        pos += *size;
        if (*type != kUserDataUnregistered || payload.size() < kMdpmUuid.size()) continue;
        if (!std::equal(kMdpmUuid.begin(), kMdpmUuid.end(), payload.begin())) continue;
        return ParseMdpm(payload.subspan(kMdpmUuid.size()));
    }
    return std::nullopt;
}

} // namespace

std::optional<MdpmFacts> FindMdpm(std::span<const uint8_t> accessUnit) {
    for (std::span<const uint8_t> nal : NalUnitsBeforeSlices(accessUnit)) {
        if (nal.empty() || (nal[0] & 0x1F) != kSeiNalType) continue;
        const std::vector<uint8_t> sei = Unescape(nal.subspan(1));
        if (auto facts = MdpmInSei(sei)) return facts;
    }
    return std::nullopt;
}

} // namespace sp
