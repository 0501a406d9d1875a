#pragma once
// Where the generated test media are. The generator runs once per test process (it keeps files
// already present, so this costs a fraction of a second), so a binary run by hand outside
// CTest's fixture, or after the generator gained a file, finds everything.

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace sp::outside::testing {

inline const std::string& mediaDir() {
    static const std::string dir = SP_TEST_MEDIA_DIR;
    static std::once_flag generated;
    std::call_once(generated, [] {
        const std::string command =
            std::string("bash '") + SP_TEST_MEDIA_SCRIPT + "' '" + dir + "' >&2";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "test media generation failed";
    });
    return dir;
}

inline std::string mediaPath(const std::string& name) {
    return mediaDir() + "/" + name;
}

} // namespace sp::outside::testing
