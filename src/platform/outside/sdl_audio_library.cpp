#include "platform/outside/sdl_audio_library.h"

#include "platform/outside/library_symbols.h"

#include <optional>

namespace sp::outside {

namespace {

std::optional<SdlAudioLibrary> load() {
    // Kept loaded to the end of the process: SDL's threads may still run its code at exit.
    constexpr const char* kName = "libSDL2-2.0.so.0";
    void* library = OpenLibrary(kName, "sound");
    if (!library) return std::nullopt;
    SdlAudioLibrary f;
    if (FindSymbol(library, "SDL_SetHint", f.SetHint) &&
        FindSymbol(library, "SDL_ResetHint", f.ResetHint) &&
        FindSymbol(library, "SDL_InitSubSystem", f.InitSubSystem) &&
        FindSymbol(library, "SDL_QuitSubSystem", f.QuitSubSystem) &&
        FindSymbol(library, "SDL_OpenAudioDevice", f.OpenAudioDevice) &&
        FindSymbol(library, "SDL_CloseAudioDevice", f.CloseAudioDevice) &&
        FindSymbol(library, "SDL_PauseAudioDevice", f.PauseAudioDevice))
        return f;
    SayLacking(kName, "sound");
    return std::nullopt;
}

} // namespace

const SdlAudioLibrary* SdlAudio() {
    static const std::optional<SdlAudioLibrary> library = load();
    return library ? &*library : nullptr;
}

} // namespace sp::outside
