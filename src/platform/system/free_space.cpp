#include "platform/system/free_space.h"

#include "platform/system/disk_volume.h"

#include <algorithm>

namespace sp {

namespace {

constexpr int64_t kLargestMbCaption = 10240;

} // namespace

VolumeSpace FreeSpaceOf(const std::filesystem::path& folder) {
    if (folder.empty()) return {};
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error);
    if (error) return {};
    while (!std::filesystem::exists(existing, error) && existing.has_relative_path())
        existing = existing.parent_path();
    const std::optional<VolumeBytes> volume = QueryVolume(existing.string());
    if (!volume) return {};
    const uint64_t available = std::min(volume->freeToUser, volume->total);
    return {int64_t(volume->total >> 20), int64_t(available >> 20)};
}

std::string FreeSpaceLabel(int64_t freeMb) {
    return std::to_string(freeMb) + " Mb";
}

std::string FreeSpaceCaption(int64_t freeMb) {
    if (freeMb <= kLargestMbCaption) return FreeSpaceLabel(freeMb);
    return std::to_string(freeMb / 1024) + " Gb";
}

} // namespace sp
