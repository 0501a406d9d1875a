#include "platform/system/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sp {

namespace {

// A real folder (not a link) of this user, closed to everyone else.
bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 0777) == 0700;
}

std::string freshPrivateFolder() {
    std::string pattern = "/tmp/stillpick-runtime-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return {};
    return std::string(buffer.data()); // mkdtemp makes it 0700
}

} // namespace

std::string EnsureRuntimeFolder() {
    if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set) return set;
    std::string folder = "/tmp/stillpick-runtime-" + std::to_string(geteuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) folder.clear();
    if (!folder.empty() && !isPrivateFolder(folder)) folder = freshPrivateFolder();
    if (folder.empty()) return {};
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    return folder;
}

} // namespace sp
