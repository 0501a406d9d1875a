#include "platform/system/free_space.h"

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>

namespace sp {
namespace {

TEST(FreeSpaceTexts, MegabytesUpTo10240ThenGigabytes) {
    EXPECT_EQ(FreeSpaceLabel(10240), "10240 Mb");
    EXPECT_EQ(FreeSpaceCaption(10240), "10240 Mb");
    EXPECT_EQ(FreeSpaceLabel(10241), "10241 Mb");
    EXPECT_EQ(FreeSpaceCaption(10241), "10 Gb");
    EXPECT_EQ(FreeSpaceCaption(0), "0 Mb");
    EXPECT_EQ(FreeSpaceCaption(2047 * 1024 + 1023), "2047 Gb");
    EXPECT_EQ(FreeSpaceCaption(int64_t(5) << 30), "5242880 Gb"); // 5 PiB
}

TEST(FreeSpace, TheVolumeOfTheFolderOrOfItsNearestParent) {
    const auto dir = std::filesystem::path(::testing::TempDir());
    struct statvfs info {};
    ASSERT_EQ(::statvfs(dir.c_str(), &info), 0);
    const VolumeSpace here = FreeSpaceOf(dir);
    EXPECT_EQ(here.totalMb, int64_t((uint64_t(info.f_blocks) * info.f_frsize) >> 20));
    EXPECT_GT(here.totalMb, 0);
    EXPECT_LE(here.freeMb, here.totalMb);
    // A save folder not made yet lies on its parent's volume.
    EXPECT_EQ(FreeSpaceOf(dir / "not" / "made" / "yet").totalMb, here.totalMb);
    const auto file = dir / "sp-free-space-file";
    std::ofstream(file) << "x";
    EXPECT_EQ(FreeSpaceOf(file / "below-a-file").totalMb, here.totalMb);
    EXPECT_EQ(FreeSpaceOf("").totalMb, 0);
    EXPECT_EQ(FreeSpaceOf("").freeMb, 0);
}

} // namespace
} // namespace sp
