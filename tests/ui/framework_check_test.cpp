#include "ui/framework_check.h"

#include "platform/outside/framework_version.h"
#include "support/widget_application.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(FrameworkCheck, AnOlderFrameworkIsAskedAboutAndOffscreenGoesOn) {
    EXPECT_EQ(FrameworkWarningText("58.29", 61, "5.0.6", "En"),
              "You use FFmpeg 58.29.\nYou should use at least FFmpeg 61 in order to run correctly "
              "Stillpick version 5.0.6 En.\nDo you want to continue anyway? If yes, the "
              "application may not work well.");

    testing::internal::CaptureStderr();
    EXPECT_TRUE(ConfirmFrameworkVersion(61, "61.1", 61, "5.0.6", "En"));
    EXPECT_TRUE(ConfirmFrameworkVersion(62, "62.0", 61, "5.0.6", "En"));
    EXPECT_TRUE(testing::internal::GetCapturedStderr().empty()); // nothing asked

    testing::internal::CaptureStderr();
    EXPECT_TRUE(ConfirmFrameworkVersion(0, "?", 61, "5.0.6", "En"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("You use FFmpeg ?."), std::string::npos);
    EXPECT_NE(said.find("Yes, the default"), std::string::npos);
}

TEST(FrameworkCheck, TheLoadedFrameworkPasses) {
    EXPECT_GE(DirectXMajorVersion(), BuiltFrameworkMajorVersion());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(CheckFrameworkVersion("5.0.6", "En"));
    EXPECT_TRUE(testing::internal::GetCapturedStderr().empty());
}

} // namespace
} // namespace sp
