#include "platform/system/disk_volume.h"

#include <gtest/gtest.h>

using namespace sp;

TEST(VolumeSize, RootHasASizeAndUsedFitsInIt) {
    int64_t size = VolumeSizeMB("/");
    int64_t used = VolumeUsedMB("/");
    EXPECT_GT(size, 0);
    EXPECT_GE(used, 0);
    EXPECT_LE(used, size);
}

TEST(VolumeSize, FailureGivesZero) {
    EXPECT_EQ(VolumeSizeMB("/no/such/folder/anywhere"), 0);
    EXPECT_EQ(VolumeUsedMB("/no/such/folder/anywhere"), 0);
    EXPECT_EQ(VolumeSizeMB(""), 0);
}
