#include "platform/system/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sp {
namespace {

std::string describe(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// Follows a symbolic link at `path` so that the link survives the replacement. A dangling or
// unreadable link falls back to replacing the path itself.
std::string resolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) == nullptr) return path;
    return buffer;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::span<const std::byte> data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data = data.subspan(static_cast<size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; failure here is not worth failing the write for.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Gives the temporary file its final name without replacing a file of that name. Where the
// file system cannot rename that way, a hard link does the same; where it has no hard links
// either, a check just before the rename has to do.
int renameNoReplace(const std::string& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP) return errno;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) return EEXIST;
    return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

AtomicWriteResult alreadyThere(const std::string& target) {
    AtomicWriteResult result{false, target + " already exists"};
    result.exists = true;
    return result;
}

} // namespace

AtomicWriteResult writeFileAtomically(const std::string& path, std::span<const std::byte> data,
                                      unsigned newFileMode, ExistingFile existing) {
    const std::string target = resolveTarget(path);
    const bool keep = existing == ExistingFile::Keep;
    struct stat present {};
    if (keep && ::lstat(target.c_str(), &present) == 0) return alreadyThere(target);
    std::string temp = target + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return {false, describe("cannot create a temporary file beside", target, errno)};

    struct stat previous {};
    mode_t mode = newFileMode;
    const bool replacing = ::stat(target.c_str(), &previous) == 0;
    if (replacing) {
        mode = previous.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    const bool written = writeAll(fd, data);
    const int writeErr = errno;
    // Replacing a file, the new content must be on the disk before the rename, or a crash could
    // leave neither version. A new name risks nothing older, and skipping the flush keeps a
    // single image save in the milliseconds instead of waiting for the disk.
    const bool synced = written && (!replacing || ::fsync(fd) == 0);
    const int syncErr = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !synced || !closed) {
        ::unlink(temp.c_str());
        const int err = !written ? writeErr : (!synced ? syncErr : EIO);
        return {false, describe("cannot write", target, err)};
    }
    const int renameErr = keep ? renameNoReplace(temp, target)
                               : (::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno);
    if (renameErr != 0) {
        ::unlink(temp.c_str());
        if (renameErr == EEXIST) return alreadyThere(target);
        return {false, describe("cannot replace", target, renameErr)};
    }
    if (replacing) syncFolder(folderOf(target));
    return {true, {}};
}

bool makeFolders(const std::string& path, unsigned mode, std::string& error) {
    std::string partial;
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t next = path.find('/', pos);
        const size_t end = next == std::string::npos ? path.size() : next;
        partial = path.substr(0, end);
        pos = end + 1;
        if (partial.empty()) continue;
        struct stat st {};
        if (::stat(partial.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                error = describe("cannot create folder", path, ENOTDIR);
                return false;
            }
            continue;
        }
        if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) {
            error = describe("cannot create folder", partial, errno);
            return false;
        }
    }
    return true;
}

} // namespace sp
