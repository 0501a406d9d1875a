#pragma once
// Sizes of the disk volume holding a folder, for the diagnostics panel. Any thread.

#include <cstdint>
#include <string>

namespace sp {

// Total size of the volume holding `path`, in MiB (bytes shifted right by 20); 0 on failure.
int64_t VolumeSizeMB(const std::string& path);

// Total size minus the space free to this user, in MiB; 0 on failure. Space reserved for the
// administrator therefore counts as used.
int64_t VolumeUsedMB(const std::string& path);

} // namespace sp
