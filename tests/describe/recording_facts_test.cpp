#include "describe/recording_facts.h"

#include "support/mdpm_access_unit.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace sp;
using sptest::AccessUnit;
using sptest::Mdpm;

namespace {

double Day(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDayCount({y, mo, d, h, mi, s, ms}).value();
}

// A fixed "now".
double Now() {
    return Day(2026, 12, 10, 22);
}

RecordingFacts FactsOf(const std::map<std::string, std::string>& tags) {
    return RecordingFactsFromTags(
        [&tags](std::string_view name) -> std::optional<std::string> {
            auto it = tags.find(std::string(name));
            if (it == tags.end()) return std::nullopt;
            return it->second;
        },
        Now());
}

} // namespace

TEST(RecordingFacts, TagDatesWithAndWithoutZones) {
    auto utc = ParseTagDateTime("2021-06-05T14:03:20.000000Z");
    ASSERT_TRUE(utc);
    EXPECT_DOUBLE_EQ(utc->DayCount, Day(2021, 6, 5, 14, 3, 20));
    EXPECT_EQ(utc->ZoneMinutes, 0);
    auto apple = ParseTagDateTime("2022-08-09T18:30:00+0200");
    ASSERT_TRUE(apple);
    EXPECT_DOUBLE_EQ(apple->DayCount, Day(2022, 8, 9, 18, 30));
    EXPECT_EQ(apple->ZoneMinutes, 120);
    EXPECT_EQ(ParseTagDateTime("2022-08-09T18:30:00-05:30")->ZoneMinutes, -330);
    auto mkv = ParseTagDateTime("2019-12-31 23:59:40");
    ASSERT_TRUE(mkv);
    EXPECT_FALSE(mkv->ZoneMinutes);
    EXPECT_DOUBLE_EQ(ParseTagDateTime("2019-12-31")->DayCount, Day(2019, 12, 31));
    EXPECT_NEAR(ParseTagDateTime("2019-12-31T10:00:00.25")->DayCount,
                Day(2019, 12, 31, 10, 0, 0, 250), 1e-9);
    for (const char* bad : {"", "2019", "2019-13-01", "2019-02-30 10:00", "2019-12-31T25:00:00",
                            "2019-12-31T10:00:00+1", "2019-12-31T10:00:00 junk", "31/12/2019"})
        EXPECT_FALSE(ParseTagDateTime(bad)) << bad;
}

TEST(RecordingFacts, PlacesInIso6709) {
    EXPECT_EQ(ParseIso6709("+48.8584+002.2945+035.000/"), (GeoPlace{48.8584, 2.2945, 35.0}));
    EXPECT_EQ(ParseIso6709("-33.8568+151.2153/"), (GeoPlace{-33.8568, 151.2153, std::nullopt}));
    const auto dms = ParseIso6709("+404506-0735906CRSWGS_84/");
    ASSERT_TRUE(dms);
    EXPECT_NEAR(dms->Latitude, 40 + 45 / 60.0 + 6 / 3600.0, 1e-9);
    EXPECT_NEAR(dms->Longitude, -(73 + 59 / 60.0 + 6 / 3600.0), 1e-9);
    EXPECT_NEAR(ParseIso6709("+4045.5-07359.5/")->Latitude, 40.758333, 1e-6);
    for (const char* bad : {"", "+91.0000+200.0000/", "48.8+2.2/", "+48.8584", "+48.8584+2.2945/",
                            "+4875.0+00200.0/", "+48.8584+002.2945 Paris", "+48.+002.2945/"})
        EXPECT_FALSE(ParseIso6709(bad)) << bad;
}

TEST(RecordingFacts, FromTagsAppleWinsThenMatroskaThenUtc) {
    RecordingFacts apple =
        FactsOf({{"creation_time", "2022-08-09T16:30:00Z"},
                 {"com.apple.quicktime.creationdate", "2022-08-09T18:30:00+0200"},
                 {"com.apple.quicktime.location.ISO6709", "+48.8584+002.2945/"},
                 {"com.apple.quicktime.make", "Apple"},
                 {"com.apple.quicktime.model", "iPhone 12"}});
    EXPECT_DOUBLE_EQ(apple.Start.value(), Day(2022, 8, 9, 18, 30));
    EXPECT_EQ(apple.ZoneMinutes, 120);
    EXPECT_EQ(apple.Make, "Apple");
    EXPECT_EQ(apple.Model, "iPhone 12");
    EXPECT_TRUE(apple.Place);

    // A creation time with an offset is brought back to UTC.
    RecordingFacts utc = FactsOf({{"creation_time", "2021-06-05T16:03:20+02:00"}});
    EXPECT_DOUBLE_EQ(utc.Start.value(), Day(2021, 6, 5, 14, 3, 20));
    EXPECT_EQ(utc.ZoneMinutes, 0);

    RecordingFacts mkv = FactsOf(
        {{"DATE_RECORDED", "2019-12-31 23:59:40"}, {"creation_time", "2020-01-05T10:00:00Z"}});
    EXPECT_DOUBLE_EQ(mkv.Start.value(), Day(2019, 12, 31, 23, 59, 40));
    EXPECT_FALSE(mkv.ZoneMinutes);
}

TEST(RecordingFacts, ImplausibleOrBrokenTagsGiveNothing) {
    EXPECT_FALSE(FactsOf({{"creation_time", "1975-03-01T08:00:00Z"}}).Start);
    EXPECT_FALSE(FactsOf({{"creation_time", "1904-01-01T00:00:00Z"}}).Start);
    EXPECT_FALSE(FactsOf({{"DATE_RECORDED", "2150-01-01 00:00:00"}}).Start);
    EXPECT_FALSE(FactsOf({{"creation_time", "2026-12-12T00:00:00Z"}}).Start); // two days ahead
    EXPECT_TRUE(FactsOf({{"creation_time", "2026-12-11T12:00:00Z"}}).Start);  // within a day
    // A broken Apple date falls back to the next source.
    RecordingFacts fallback = FactsOf({{"com.apple.quicktime.creationdate", "yesterday"},
                                       {"creation_time", "2021-06-05T14:03:20Z"}});
    EXPECT_DOUBLE_EQ(fallback.Start.value(), Day(2021, 6, 5, 14, 3, 20));
    EXPECT_FALSE(FactsOf({{"location", "+91.0000+200.0000/"}}).Place);
    EXPECT_FALSE(FactsOf({}).Start);
}

TEST(RecordingFacts, MdpmDateZoneAndCamera) {
    const auto unit = AccessUnit(Mdpm({{0x18, 0x04, 0x20, 0x13, 0x07},
                                       {0x19, 0x14, 0x09, 0x30, 0x05},
                                       {0xE0, 0x01, 0x08, 0x00, 0x00},
                                       {0xE4, 'H', 'D', 'R', '-'},
                                       {0xE5, 'C', 'X', '1', '1'},
                                       {0xE6, '0', 'E', 0, 0}}));
    const auto facts = FindMdpm(unit);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->When, (CalendarDateTime{2013, 7, 14, 9, 30, 5, 0}));
    EXPECT_EQ(facts->ZoneMinutes, 120);
    EXPECT_EQ(facts->Make, "Sony");
    EXPECT_EQ(facts->Model, "HDR-CX110E");

    // West of Greenwich, half an hour: sign bit 0x20, hours from bit 1, bit 0 the half.
    const auto west = FindMdpm(AccessUnit(
        Mdpm({{0x18, 0x20 | (3 << 1) | 1, 0x20, 0x10, 0x01}, {0x19, 0x01, 0x00, 0x00, 0x00}})));
    ASSERT_TRUE(west);
    EXPECT_EQ(west->ZoneMinutes, -210);
    // The daylight saving flag (0x40) and the unused top bit leave the offset as written.
    const auto summer = FindMdpm(AccessUnit(
        Mdpm({{0x18, 0xC0 | (1 << 1), 0x20, 0x10, 0x07}, {0x19, 0x01, 0x00, 0x00, 0x00}})));
    ASSERT_TRUE(summer);
    EXPECT_EQ(summer->ZoneMinutes, 60);
    EXPECT_TRUE(summer->When);
}

// The name is in 0xE4 to 0xE6 alone, up to its zero padding; the tags after it carry binary
// data (a Canon's frame rates in 0xEE) that happens to hold printable bytes.
TEST(RecordingFacts, MdpmModelNameEndsWhereItsTagsEnd) {
    const std::vector<std::vector<uint8_t>> sony = {
        {0xE0, 0x01, 0x08, 0x31, 0x00}, {0xE4, 'N', 'E', 'X', '-'},
        {0xE5, '5', 0, 'Z', 'Z'},       {0xE6, 0, 0, 0, 0},
        {0xE7, 0x00, 0x80, 0x1F, 0x41}, {0xEC, 0x0B, 0x70, 0x00, 0x00},
        {0xEE, 0x4A, 0x0A, 0x50, 0x00}};
    const auto facts = FindMdpm(AccessUnit(Mdpm(sony)));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->Make, "Sony");
    EXPECT_EQ(facts->Model, "NEX-5");
    // Other makers keep no name there: a Canon's 0xE4 is no model.
    const auto canon = FindMdpm(AccessUnit(Mdpm({{0xE0, 0x10, 0x11, 0x31, 0x01},
                                                 {0xE4, 'A', 'B', 'C', 'D'},
                                                 {0xEE, 0x4A, 0x0A, 0x50, 0x00}})));
    ASSERT_TRUE(canon);
    EXPECT_EQ(canon->Make, "Canon");
    EXPECT_EQ(canon->Model, "");
}

TEST(RecordingFacts, MdpmDamagedOrAbsent) {
    // Not BCD: the block is found but gives no date.
    const auto damaged = FindMdpm(
        AccessUnit(Mdpm({{0x18, 0x04, 0x2A, 0xFB, 0x1C}, {0x19, 0x3F, 0x99, 0xAA, 0x00}})));
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(damaged->When);
    // 30 February.
    EXPECT_FALSE(
        FindMdpm(AccessUnit(Mdpm({{0x18, 0, 0x20, 0x12, 0x02}, {0x19, 0x30, 0, 0, 0}})))->When);
    // Another UUID, a truncated SEI, a count larger than the block, no SEI at all.
    std::vector<uint8_t> other = Mdpm({{0x18, 0, 0x20, 0x12, 0x02}});
    other[0] ^= 1;
    EXPECT_FALSE(FindMdpm(AccessUnit(other)));
    auto truncated = AccessUnit(Mdpm({{0x18, 0, 0x20, 0x12, 0x02}}));
    truncated.resize(20);
    EXPECT_FALSE(FindMdpm(truncated));
    auto overlong = Mdpm({{0x18, 0, 0x20, 0x12, 0x02}});
    overlong[20] = 200;
    EXPECT_TRUE(FindMdpm(AccessUnit(overlong)));
    const std::vector<uint8_t> slice = {0, 0, 0, 1, 0x65, 0x88, 0x84, 0, 0, 1, 6, 5, 0};
    EXPECT_FALSE(FindMdpm(slice)); // an SEI after the slice is never looked at
    EXPECT_FALSE(FindMdpm({}));
}
