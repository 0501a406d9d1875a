#include "filters/scenes.h"

#include "support/scene_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string_view>

namespace sp {
namespace {

namespace fs = std::filesystem;
using namespace sptest;

// A file of `records` scenes after the header's, starting at frames 100, 200, ...
Bytes FileWithRecords(int records, uint8_t flagsA = 0, uint8_t flagsB = 0) {
    SceneFile f;
    Write(f, Header{.count = uint16_t(records),
                    .start = 0,
                    .second = 7,
                    .flagsA = flagsA,
                    .flagsB = flagsB});
    for (int i = 1; i <= records; ++i)
        Write(f, Record{.start = 100 * i, .second = i, .flagsA = flagsA, .flagsB = flagsB});
    return f.bytes();
}

// The smallest header (every string empty) and the smallest record.
constexpr size_t kMinHeaderBytes = 88;
constexpr size_t kMinRecordBytes = 35;

std::vector<int32_t> StartFrames(const TSceneList& list) {
    std::vector<int32_t> frames;
    for (const TScene& s : list)
        frames.push_back(s.StartFrame);
    return frames;
}

class Scenes : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::path(::testing::TempDir()) /
                (std::string("scenes_") + info->name() + "_" + std::to_string(::getpid()) + ".scn");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    const fs::path& Store(const Bytes& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path_;
    }
    // A list holding one marker scene, to see whether loading replaced it.
    static TSceneList Marked() {
        TSceneList list;
        list.Add(TScene{"old.scn", -5, -5});
        return list;
    }

    fs::path path_;
};

TEST_F(Scenes, HeaderOnlyFileGivesItsOneScene) {
    TSceneList list = Marked();
    SceneFile f;
    Write(f, Header{.count = 0, .start = -12, .second = 345});
    ASSERT_TRUE(LoadScenes(list, Store(f.bytes())));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], (TScene{path_, -12, 345}));
}

TEST_F(Scenes, RecordsFollowInOrder) {
    TSceneList list;
    ASSERT_TRUE(LoadScenes(list, Store(FileWithRecords(5))));
    EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{0, 100, 200, 300, 400, 500}));
    EXPECT_EQ(list[3].SecondValue, 3);
    EXPECT_EQ(list[5].Path, path_);
}

TEST_F(Scenes, FlaggedFieldsAreSkipped) {
    for (uint8_t a : {0x00, 0x80, 0xFF}) {
        for (uint8_t b : {0x00, 0x40, 0xBF}) {
            TSceneList list;
            EXPECT_TRUE(LoadScenes(list, Store(FileWithRecords(3, a, b)))) << int(a) << int(b);
            EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{0, 100, 200, 300}));
        }
    }
}

TEST_F(Scenes, LongAndWideStringForms) {
    // 255 then 01 2C is 300 bytes, the first length byte high.
    EXPECT_EQ(LongString(300)[1], 0x01);
    EXPECT_EQ(LongString(300)[2], 0x2C);
    SceneFile f;
    Write(f, Header{.count = 3,
                    .start = 1,
                    .title = LongString(300),
                    .name = WideString(3),
                    .note = WideString(300)});
    Write(f, Record{.start = 2, .name = LongString(0xFEFE)});
    Write(f, Record{.start = 3, .flagsA = 0x80, .name = WideString(0), .tail = WideString(0xFFFF)});
    Write(f, Record{.start = 4, .name = ShortString(std::string(254, 's'))});
    TSceneList list;
    ASSERT_TRUE(LoadScenes(list, Store(f.bytes())));
    EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(Scenes, FileEndingInsideTheThirdRecordKeepsTwoRecords) {
    Bytes full = FileWithRecords(5);
    SceneFile upToThird;
    Write(upToThird, Header{.count = 5, .start = 0, .second = 7});
    Write(upToThird, Record{.start = 100, .second = 1});
    Write(upToThird, Record{.start = 200, .second = 2});
    size_t thirdStart = upToThird.bytes().size();
    size_t recordSize = (full.size() - thirdStart) / 3;
    // Every cut inside the third record, including one just before its last byte.
    for (size_t cut = thirdStart + 1; cut < thirdStart + recordSize; ++cut) {
        TSceneList list = Marked();
        EXPECT_FALSE(LoadScenes(list, Store(Bytes(full.begin(), full.begin() + long(cut)))));
        EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{0, 100, 200})) << cut;
    }
}

TEST_F(Scenes, DamagedHeaderLeavesTheListAlone) {
    Bytes full = FileWithRecords(0, 0x80, 0x40);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        TSceneList list = Marked();
        EXPECT_FALSE(LoadScenes(list, Store(Bytes(full.begin(), full.begin() + long(cut)))));
        EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{-5})) << cut;
    }
}

TEST_F(Scenes, StringLengthsPastTheEndFail) {
    // A long string claiming 0x2C01 bytes (the length read the wrong way round) is not there.
    SceneFile f;
    Header h;
    h.title = Bytes{0xFF, 0x2C, 0x01};
    h.title.resize(h.title.size() + 300, 'x');
    Write(f, h);
    TSceneList list = Marked();
    EXPECT_FALSE(LoadScenes(list, Store(f.bytes())));
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(Scenes, HugeCountReadsOnlyWhatIsThere) {
    SceneFile f;
    Write(f, Header{.count = 0xFFFF, .start = 9});
    Write(f, Record{.start = 10});
    TSceneList list;
    EXPECT_FALSE(LoadScenes(list, Store(f.bytes())));
    EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{9, 10}));
}

TEST_F(Scenes, MissingFileOrFolderChangesNothing) {
    TSceneList list = Marked();
    EXPECT_FALSE(LoadScenes(list, path_.string() + ".none"));
    EXPECT_FALSE(LoadScenes(list, fs::path(::testing::TempDir())));
    EXPECT_FALSE(LoadScenes(list, ""));
    EXPECT_EQ(StartFrames(list), (std::vector<int32_t>{-5}));
}

TEST_F(Scenes, SmallestFile) {
    SceneFile f;
    Write(f, Header{.title = {0}, .name = {0}, .note = {0}});
    ASSERT_EQ(f.bytes().size(), kMinHeaderBytes);
    TSceneList list;
    EXPECT_TRUE(LoadScenes(list, Store(f.bytes())));
    EXPECT_FALSE(LoadScenes(list, Store(Bytes(f.bytes().begin(), f.bytes().end() - 1))));
}

TEST_F(Scenes, FileIsClosedInEveryCase) {
    auto openFiles = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    Bytes full = FileWithRecords(3);
    auto before = openFiles();
    for (size_t cut : {size_t(10), size_t(100), full.size() - 1, full.size()}) {
        TSceneList list;
        LoadScenes(list, Store(Bytes(full.begin(), full.begin() + long(cut))));
    }
    EXPECT_EQ(openFiles(), before);
}

TEST_F(Scenes, TrailingBytesAfterTheRecordsAreIgnored) {
    Bytes bytes = FileWithRecords(1);
    bytes.insert(bytes.end(), 17, 0x00);
    TSceneList list;
    EXPECT_TRUE(LoadScenes(list, Store(bytes)));
    EXPECT_EQ(list.Count(), 2);
}

TEST(SceneAt, InsideTheListOnly) {
    TSceneList list;
    EXPECT_EQ(SceneAt(list, 0), nullptr);
    list.Add(TScene{"a.scn", 1, 0});
    list.Add(TScene{"a.scn", 2, 0});
    ASSERT_NE(SceneAt(list, 1), nullptr);
    EXPECT_EQ(SceneAt(list, 1)->StartFrame, 2);
    EXPECT_EQ(SceneAt(list, 2), nullptr);
    EXPECT_EQ(SceneAt(list, -1), nullptr);
    list.Clear();
    EXPECT_EQ(SceneAt(list, 0), nullptr);
}

// Random damage: reading never crashes or passes the end, and the list never holds more scenes
// than the bytes of the file can describe.
TEST(ScenesMutation, RandomlyDamagedFilesReadSafely) {
    std::mt19937 rng(3600);
    SceneFile seed;
    Write(seed, Header{.count = 4,
                       .flagsA = 0x80,
                       .flagsB = 0x40,
                       .title = LongString(300),
                       .note = WideString(20)});
    for (int i = 0; i < 4; ++i)
        Write(seed, Record{.start = i,
                           .flagsA = uint8_t(i & 1 ? 0x80 : 0),
                           .flagsB = uint8_t(i & 2 ? 0x40 : 0),
                           .name = WideString(uint16_t(i))});
    const Bytes original = seed.bytes();
    for (int round = 0; round < 50000; ++round) {
        Bytes bytes = original;
        std::uniform_int_distribution<size_t> where(0, bytes.size() - 1);
        for (int hit = 0; hit < 1 + round % 6; ++hit)
            bytes[where(rng)] = uint8_t(rng());
        if (round % 3 == 0)
            bytes.resize(std::uniform_int_distribution<size_t>(0, bytes.size())(rng));
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        TSceneList list;
        bool whole = ReadScenes(list, in, "damaged.scn");
        if (bytes.size() < kMinHeaderBytes) {
            EXPECT_FALSE(whole);
            EXPECT_EQ(list.Count(), 0);
        } else {
            EXPECT_LE(size_t(list.Count()), 1 + (bytes.size() - kMinHeaderBytes) / kMinRecordBytes);
            EXPECT_TRUE(!whole || list.Count() >= 1);
        }
        if (::testing::Test::HasFailure()) break;
    }
}

} // namespace
} // namespace sp
