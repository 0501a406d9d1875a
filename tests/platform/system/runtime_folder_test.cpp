#include "platform/system/runtime_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Runs each case with XDG_RUNTIME_DIR unset and puts the variable back afterwards.
class RuntimeFolder : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv("XDG_RUNTIME_DIR")) saved_ = value;
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        if (saved_)
            ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    static bool isPrivate(const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
               info.st_uid == geteuid() && (info.st_mode & 0777) == 0700;
    }
    std::optional<std::string> saved_;
};

TEST_F(RuntimeFolder, MadePrivateAndSetWhenMissing) {
    const std::string folder = sp::EnsureRuntimeFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_NE(std::getenv("XDG_RUNTIME_DIR"), nullptr);
    EXPECT_EQ(folder, std::getenv("XDG_RUNTIME_DIR"));
    EXPECT_TRUE(isPrivate(folder));
    // Asked again, the folder in force is kept.
    EXPECT_EQ(sp::EnsureRuntimeFolder(), folder);
}

TEST_F(RuntimeFolder, ASetFolderIsLeftAlone) {
    ::setenv("XDG_RUNTIME_DIR", "/run/user/somewhere", 1);
    EXPECT_EQ(sp::EnsureRuntimeFolder(), "/run/user/somewhere");
    EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), "/run/user/somewhere");
}

TEST_F(RuntimeFolder, AFolderOpenToOthersIsNotUsed) {
    const std::string shared = "/tmp/stillpick-runtime-" + std::to_string(geteuid());
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 0755);
    const std::string folder = sp::EnsureRuntimeFolder();
    ::chmod(shared.c_str(), 0700);
    EXPECT_NE(folder, shared);
    EXPECT_TRUE(isPrivate(folder));
    if (folder != shared) std::filesystem::remove(folder);
}

} // namespace
