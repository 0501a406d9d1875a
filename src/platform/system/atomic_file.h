#pragma once
// Whole-file replacement that never leaves a half-written file behind: the new content goes to a
// temporary file in the same folder and is then renamed over the target. Until the rename the
// previous file is untouched; after it the new content is complete. When a file is replaced, the
// new content and the rename are flushed to the disk first, so that a crash leaves one version or
// the other; a file written under a new name is left to the system's own write-back.

#include <cstddef>
#include <span>
#include <string>

namespace sp {

struct AtomicWriteResult {
    bool ok = false;
    std::string error;   // what failed and why, empty on success
    bool exists = false; // refused because the file exists (ExistingFile::Keep)
};

// What to do when the file is already there.
enum class ExistingFile { Replace, Keep };

// Writes `data` as the file at `path`, replacing an existing file, or with ExistingFile::Keep
// refusing to (the check and the final rename are one step, so a file that appears meanwhile is
// not replaced either). A symbolic link at `path` is followed, so the file it points to is
// replaced and the link kept. An existing file's permission bits carry over to the new one; a
// new file gets `newFileMode` (less the umask). On failure the temporary file is removed and the
// previous file, if any, is left as it was. Any thread; not synchronised with other writers of
// the same path (the last rename wins).
AtomicWriteResult writeFileAtomically(const std::string& path, std::span<const std::byte> data,
                                      unsigned newFileMode = 0644,
                                      ExistingFile existing = ExistingFile::Replace);

// Creates a folder and its missing parents (like `mkdir -p`) with the given mode for new ones.
// Returns false with `error` filled when a part of the path is not a folder or cannot be made.
bool makeFolders(const std::string& path, unsigned mode, std::string& error);

} // namespace sp
