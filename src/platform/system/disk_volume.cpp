#include "platform/system/disk_volume.h"

#include <sys/statvfs.h>

namespace sp {

std::optional<VolumeBytes> QueryVolume(const std::string& path) {
    struct statvfs info {};
    if (path.empty() || ::statvfs(path.c_str(), &info) != 0) return std::nullopt;
    const uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    return VolumeBytes{uint64_t(info.f_blocks) * unit, uint64_t(info.f_bavail) * unit};
}

int64_t VolumeSizeMB(const std::string& path) {
    auto v = QueryVolume(path);
    return v ? int64_t(v->total >> 20) : 0;
}

int64_t VolumeUsedMB(const std::string& path) {
    auto v = QueryVolume(path);
    if (!v || v->freeToUser > v->total) return 0;
    return int64_t((v->total - v->freeToUser) >> 20);
}

} // namespace sp
