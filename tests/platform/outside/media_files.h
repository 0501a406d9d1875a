#pragma once
// Where the generated test media are, generating them on first use when the test binary runs
// outside CTest's fixture (the generator keeps files already present, so this is cheap).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

namespace sp::outside::testing {

inline const std::string& mediaDir() {
    static const std::string dir = SP_TEST_MEDIA_DIR;
    static std::once_flag generated;
    std::call_once(generated, [] {
        if (std::filesystem::exists(dir + "/not_a_video.mpg")) return;
        const std::string command =
            std::string("bash '") + SP_TEST_MEDIA_SCRIPT + "' '" + dir + "' >&2";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "test media generation failed";
    });
    return dir;
}

inline std::string mediaPath(const std::string& name) { return mediaDir() + "/" + name; }

} // namespace sp::outside::testing
