// Demonstration of the media framework: prints a few identifiers and format sizes.
#include "platform/graph/guids.h"
#include "platform/graph/mediatype.h"

#include <cstdio>

int main() {
    using namespace mf;
    MediaType rgb = makeRgb32Type(720, 576, 400000);
    std::printf("RGB32 720x576: %s, format block %zu bytes\n", describe(rgb).c_str(),
                rgb.cbFormat());
    std::printf("PCM 48 kHz stereo: %s\n", describe(makePcmType(48000, 2)).c_str());
    return 0;
}
