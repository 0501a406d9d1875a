#include "platform/system/free_space.h"

#include <sys/statvfs.h>

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
    struct statvfs info {};
    if (::statvfs(existing.c_str(), &info) != 0) return {};
    const uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    const uint64_t total = uint64_t(info.f_blocks) * unit;
    const uint64_t available = std::min<uint64_t>(uint64_t(info.f_bavail) * unit, total);
    return {int64_t(total >> 20), int64_t(available >> 20)};
}

std::string FreeSpaceLabel(int64_t freeMb) {
    return std::to_string(freeMb) + " Mb";
}

std::string FreeSpaceCaption(int64_t freeMb) {
    if (freeMb <= kLargestMbCaption) return FreeSpaceLabel(freeMb);
    return std::to_string(freeMb / 1024) + " Gb";
}

} // namespace sp
