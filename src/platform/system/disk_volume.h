#pragma once
// Sizes of the disk volume holding a folder, for the diagnostics panel. Any thread.

#include <cstdint>
#include <optional>
#include <string>

namespace sp {

// The volume's size and the space free to this user (space reserved for the administrator left
// out), in bytes.
struct VolumeBytes {
    uint64_t total = 0;
    uint64_t freeToUser = 0;
};

// The one query of the volume holding `path` (statvfs); nullopt when it cannot be made.
std::optional<VolumeBytes> QueryVolume(const std::string& path);

// Total size of the volume holding `path`, in MiB (bytes shifted right by 20); 0 on failure.
int64_t VolumeSizeMB(const std::string& path);

// Total size minus the space free to this user, in MiB; 0 on failure. Space reserved for the
// administrator therefore counts as used.
int64_t VolumeUsedMB(const std::string& path);

} // namespace sp
