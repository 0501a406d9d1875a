#pragma once
// A fresh temporary folder of its own for one test (mkdtemp under the system's temporary
// folder), removed with everything in it when the object goes. Tests running side by side, or
// one test repeated in one process, never share a folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace sptest {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "sp-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
        else
            ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace sptest
