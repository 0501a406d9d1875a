#pragma once
// A private registry store folder for one test: STILLPICK_REGISTRY_DIR points at a fresh temporary
// folder for the test's lifetime and the folder is removed afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace sptest {

class TempRegistryDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "sp-reg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ::setenv("STILLPICK_REGISTRY_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("STILLPICK_REGISTRY_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string hivePath() const { return path("HKEY_CURRENT_USER.json"); }

    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void writeFile(const std::string& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }

    std::string dir_;
};

} // namespace sptest
