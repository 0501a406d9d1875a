#pragma once
// Free space on the volume where the images are saved, for the diagnostics panel: the volume's
// size and the space free to this user (statvfs), in MiB, with the label and gauge caption texts.
// Any thread.

#include <cstdint>
#include <filesystem>
#include <string>

namespace sp {

struct VolumeSpace {
    int64_t totalMb = 0;
    int64_t freeMb = 0; // free to this user: space reserved for the administrator is left out
};

// The volume holding `folder`, or its nearest existing parent when the folder does not exist
// yet (a save folder is made on the first grab). Zero sizes when nothing can be queried.
VolumeSpace FreeSpaceOf(const std::filesystem::path& folder);

// "%d Mb", the free-space label.
std::string FreeSpaceLabel(int64_t freeMb);
// The gauge caption: "%d Mb" up to 10240 MiB, "%d Gb" (MiB / 1024, truncated) above.
std::string FreeSpaceCaption(int64_t freeMb);

} // namespace sp
