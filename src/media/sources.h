#pragma once
// The selectable streams of an opened file, and the two sentinels that stand for "no stream".
//
// A source belongs to the builder that discovered it (`Device`) and lives as long as that
// builder. `OutputPin` and `Notifier` are set and cleared by the media system while the
// stream's chain exists. The sentinels `NoVideo()` and `NoAudio()` live for the whole program
// and have no builder. Controlling thread only.

#include "platform/graph/interfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace sp {

class TCaptureDevice;
class TNotifier;

class TavSource {
public:
    TavSource(TCaptureDevice* device, int number, std::string streamName, bool isDV);
    virtual ~TavSource() = default;

    bool IsDV;
    TNotifier* Notifier = nullptr; // the notifier that sees the native samples, while playing
    TCaptureDevice* Device;        // owning builder; null for the sentinels
    int Number;                    // 1-based among the builder's streams of this kind
    std::string StreamName;
    mf::ComPtr<mf::IPin> OutputPin; // while the stream's chain exists
};

class TVideoSource final : public TavSource {
public:
    using TavSource::TavSource;
};

class TAudioSource final : public TavSource {
public:
    using TavSource::TavSource;
};

using TVideoSourcesList = std::vector<TVideoSource*>;
using TAudioSourcesList = std::vector<TAudioSource*>;

TVideoSource& NoVideo(); // "No Video"
TAudioSource& NoAudio(); // "No Audio"

} // namespace sp
