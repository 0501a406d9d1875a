#pragma once
// Looking up the functions of a library loaded at run time (dlopen).

#include <dlfcn.h>

#include <cstdio>

namespace sp::outside {

// The library `name`, loaded for good (code of it may run until the process ends); null, saying
// "stillpick: no `feature`: " and the reason on stderr, when it cannot be loaded.
inline void* OpenLibrary(const char* name, const char* feature) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library) std::fprintf(stderr, "stillpick: no %s: %s\n", feature, dlerror());
    return library;
}

// Says on stderr that the library `name` lacks a function `feature` needs.
inline void SayLacking(const char* name, const char* feature) {
    std::fprintf(stderr, "stillpick: no %s: %s lacks a function\n", feature, name);
}

// `function` := the library's symbol `name`, typed; false when the library lacks it.
template <typename Function> bool FindSymbol(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace sp::outside
