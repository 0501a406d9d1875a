// Version arithmetic that needs FFmpeg's headers only, never its libraries.
#include "platform/outside/framework_version.h"

#include <libavformat/version.h>

#include <charconv>
#include <stdexcept>

namespace sp {

int BuiltFrameworkMajorVersion() {
    return LIBAVFORMAT_VERSION_MAJOR;
}

std::string FrameworkVersionText(unsigned packedVersion) {
    if (packedVersion == 0) throw std::runtime_error("media framework version unavailable");
    unsigned major = packedVersion >> 16;
    unsigned minor = (packedVersion >> 8) & 0xFF;
    return std::to_string(major) + "." + std::to_string(minor);
}

int MajorVersionOf(std::string_view versionText) {
    size_t dot = versionText.find('.');
    if (dot == std::string_view::npos || dot == 0) return 0;
    int major = 0;
    auto [end, ec] = std::from_chars(versionText.data(), versionText.data() + dot, major);
    if (ec != std::errc() || end != versionText.data() + dot) return 0;
    return major;
}

} // namespace sp
