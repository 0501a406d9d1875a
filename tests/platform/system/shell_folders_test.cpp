#include "platform/system/shell_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// A private home folder with its own XDG configuration for one test; the environment is put
// back afterwards.
class ShellFolders : public ::testing::Test {
protected:
    void SetUp() override {
        saveVariable("HOME", savedHome_);
        saveVariable("XDG_CONFIG_HOME", savedConfig_);
        std::string pattern = (fs::temp_directory_path() / "sp-home-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        fs::create_directories(home_ / ".config");
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
        // Localised names, as a German desktop writes them.
        std::ofstream(home_ / ".config" / "user-dirs.dirs")
            << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    }
    void TearDown() override {
        restoreVariable("HOME", savedHome_);
        restoreVariable("XDG_CONFIG_HOME", savedConfig_);
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }
    QString inHome(const char* name = nullptr) const {
        return QString::fromStdString((name ? home_ / name : home_).string());
    }

    fs::path home_;

private:
    static void saveVariable(const char* name, std::optional<std::string>& slot) {
        if (const char* value = std::getenv(name)) slot = value;
    }
    static void restoreVariable(const char* name, const std::optional<std::string>& slot) {
        if (slot)
            ::setenv(name, slot->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> savedHome_, savedConfig_;
};

TEST_F(ShellFolders, PicturesThenDocumentsThenHome) {
    // Neither folder exists yet: the home folder.
    EXPECT_EQ(sp::PersonalFolder(), inHome());
    EXPECT_EQ(sp::PicturesFolder(), inHome());

    fs::create_directory(home_ / "Dokumente");
    EXPECT_EQ(sp::PersonalFolder(), inHome("Dokumente"));
    EXPECT_EQ(sp::PicturesFolder(), inHome("Dokumente"));

    fs::create_directory(home_ / "Bilder");
    EXPECT_EQ(sp::PicturesFolder(), inHome("Bilder"));
    EXPECT_EQ(sp::PersonalFolder(), inHome("Dokumente"));
}

TEST_F(ShellFolders, AFolderTurnedOffOrAFileInItsPlaceIsPassedOver) {
    // xdg-user-dirs marks a folder the user does not want by pointing it at the home folder.
    std::ofstream(home_ / ".config" / "user-dirs.dirs")
        << "XDG_PICTURES_DIR=\"$HOME/\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    std::ofstream(home_ / "Dokumente") << "a file, not a folder";
    EXPECT_EQ(sp::PicturesFolder(), inHome());
    EXPECT_EQ(sp::PersonalFolder(), inHome());
}

} // namespace
