#pragma once
// The scene list of a video, read from the ".scn" file that capture software writes beside it.
// The file lists the scenes of a clip by their first frame; the program only reads it.
//
// Scene files are untrusted: every length in them is checked against the bytes really left, and
// a large scene count allocates nothing ahead of the records actually read.
//
// Threads: the main window owns the one list and uses it on the user-interface thread only.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <vector>

namespace sp {

struct TScene {
    std::filesystem::path Path; // the scene file it came from
    int32_t StartFrame = 0;     // the scene's first frame number
    int32_t SecondValue = 0;    // the value after the start frame; kept, not used

    friend bool operator==(const TScene&, const TScene&) = default;
};

// The ordered scenes of the loaded video. Owns its scenes; Clear frees them.
class TSceneList {
public:
    int Count() const { return int(scenes_.size()); }
    bool Empty() const { return scenes_.empty(); }
    void Clear() { scenes_.clear(); }
    void Add(TScene scene) { scenes_.push_back(std::move(scene)); }

    const TScene& operator[](int index) const { return scenes_.at(size_t(index)); }
    auto begin() const { return scenes_.begin(); }
    auto end() const { return scenes_.end(); }

private:
    std::vector<TScene> scenes_;
};

// Reads the scene file at `path` into `list` and returns true when the whole file was read.
// - No regular file at `path`, or a header that cannot be read completely: false, list unchanged.
// - Otherwise the list is cleared and gets the header's scene, then one scene per complete
//   record. A record cut short or malformed ends the reading with false; the list keeps the
//   scenes read before it.
// The file is closed in every case. Never throws for bad file contents.
bool LoadScenes(TSceneList& list, const std::filesystem::path& path);

// The same reading from a binary stream positioned at the start of the scene data (used by
// LoadScenes, and by tests without touching the disk). `source` is recorded in every scene.
// False without reading when the stream cannot tell its length.
bool ReadScenes(TSceneList& list, std::istream& in, const std::filesystem::path& source);

// The scene at `index`; null when the index is below 0 or not below the count. The pointer is
// valid until the list changes.
const TScene* SceneAt(const TSceneList& list, int index);

} // namespace sp
