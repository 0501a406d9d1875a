#pragma once
// SDL2's audio functions, from the library loaded when sound is first needed rather than when
// the program starts: SDL2 brings some twenty libraries of its own (sound servers, display
// systems) that a start with no sound to play, or a grab, would load and link for nothing.
// Only the functions the audio renderer calls. Any thread; loading happens once.

#include <SDL.h>

namespace sp::outside {

struct SdlAudioLibrary {
    decltype(&::SDL_SetHint) SetHint = nullptr;
    decltype(&::SDL_ResetHint) ResetHint = nullptr;
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
};

// The functions, or null when SDL2 (libSDL2-2.0.so.0) cannot be loaded or lacks one of them:
// then there is no sound device, as when SDL cannot start its audio.
const SdlAudioLibrary* SdlAudio();

} // namespace sp::outside
