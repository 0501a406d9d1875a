#pragma once
// Loading a filter library (a shared object exporting "DllRegisterServer" and
// "DllUnregisterServer", each an `int32_t (void)` returning a result code) and calling one of
// its entry points.
//
// The library's own dependencies: the library search path of a process is fixed when it starts,
// so changing it cannot help a library find the files it ships with. Instead, each library the
// file needs (its DT_NEEDED entries) that lies in the file's own folder is loaded first by its
// full path, dependencies of those first, so that the dynamic loader finds them already loaded.
// The process environment is not changed.
//
// Libraries stay mapped once loaded (RTLD_NODELETE): a registered filter's factory and the
// objects it made run the library's code, so unmapping it would leave them pointing at nothing.
//
// Loading a library runs its code: only trusted files belong here. Only regular files are
// loaded. A failure is reported on stderr with the loader's message. Threads: the
// user-interface thread.

#include <filesystem>
#include <string>
#include <vector>

namespace sp {

// True when `path` is a regular file that loads, exports `entryPoint`, and the entry point
// returns a success code.
bool CallFilterLibraryEntry(const std::filesystem::path& path, const char* entryPoint);

// The names of the libraries an ELF shared object of this machine's class needs, in file order;
// empty for anything else (and for a damaged file).
std::vector<std::string> NeededLibraries(const std::filesystem::path& path);

} // namespace sp
