#include "media/sources.h"

namespace sp {

TavSource::TavSource(TCaptureDevice* device, int number, std::string streamName, bool isDV)
    : IsDV(isDV), Device(device), Number(number), StreamName(std::move(streamName)) {}

TVideoSource& NoVideo() {
    static TVideoSource sentinel(nullptr, 0, "No Video", false);
    return sentinel;
}

TAudioSource& NoAudio() {
    static TAudioSource sentinel(nullptr, 0, "No Audio", false);
    return sentinel;
}

} // namespace sp
