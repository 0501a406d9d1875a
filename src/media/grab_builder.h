#pragma once
// What one opened file offers: whether a builder recognised it, its caption, whether a scene
// file lies beside it, and every video and audio stream of the builder tree. Complete after
// construction; nothing changes it later. Owns its builder list. Controlling thread only.

#include "media/capture_devices.h"

#include <string>

namespace sp {

class TGrabBuilder {
public:
    // The builder standing for no file: no sources, caption "No video file", `Failed` true,
    // empty `FileName`. Touches no file and runs no discovery.
    TGrabBuilder() = default;
    TGrabBuilder(const std::string& path, const TBuilderEnvironment& env);
    TGrabBuilder(const TGrabBuilder&) = delete;
    TGrabBuilder& operator=(const TGrabBuilder&) = delete;

    bool Failed = true;
    bool HasSceneFile = false;
    std::string Caption = "No video file";
    TVideoSourcesList VideoSources;
    TAudioSourcesList AudioSources;
    std::string FileName;

    TCaptureDevice* Device() const { return devices_.Count() ? devices_.Item(0) : nullptr; }

private:
    TCaptureDevicesList devices_;
};

// The path with its extension replaced by ".scn" (appended when it has none).
std::string SceneFileName(const std::string& path);

} // namespace sp
