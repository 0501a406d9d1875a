#include "media/grab_builder.h"

#include <filesystem>

namespace sp {

std::string SceneFileName(const std::string& path) {
    size_t separator = path.find_last_of("/\\:");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return path + ".scn";
    return path.substr(0, dot) + ".scn";
}

TGrabBuilder::TGrabBuilder(const std::string& path, const TBuilderEnvironment& env)
    : FileName(path) {
    try {
        std::error_code ec;
        HasSceneFile = std::filesystem::is_regular_file(SceneFileName(path), ec);
        if (devices_.BuildForFile(path, env)) {
            CollectSources(devices_.Item(0), VideoSources, AudioSources);
            Caption = FileNameOnly(path);
            Failed = false;
        }
    } catch (...) {
        // The object keeps whatever state it reached.
    }
}

} // namespace sp
