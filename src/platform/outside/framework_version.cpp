// The parts of the version query that call into libavformat at run time.
#include "platform/outside/framework_version.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <exception>

namespace sp {

std::string DirectXVersionText() {
    return FrameworkVersionText(avformat_version());
}

int DirectXMajorVersion() {
    try {
        return MajorVersionOf(DirectXVersionText());
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace sp
