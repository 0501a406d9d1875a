#pragma once
// Looking up the functions of a library loaded at run time (dlopen).

#include <dlfcn.h>

namespace sp::outside {

// `function` := the library's symbol `name`, typed; false when the library lacks it.
template <typename Function> bool FindSymbol(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace sp::outside
