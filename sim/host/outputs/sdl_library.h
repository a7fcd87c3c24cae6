// The SDL2 functions the window calls, looked up in the library when the
// first window opens rather than bound when the simulator starts: SDL2
// brings some fifty libraries with it (audio, X11, Wayland, D-Bus), whose
// loading and relocation cost every run about 20 ms, also the many runs
// that never open a window.
#pragma once

#include <SDL.h>

namespace sim::out {

#define LUMENFALL_SDL_FUNCTIONS(X)                                                                 \
    X(SDL_CreateRenderer)                                                                          \
    X(SDL_CreateTexture)                                                                           \
    X(SDL_CreateWindow)                                                                            \
    X(SDL_DestroyRenderer)                                                                         \
    X(SDL_DestroyTexture)                                                                          \
    X(SDL_DestroyWindow)                                                                           \
    X(SDL_GetError)                                                                                \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_PollEvent)                                                                               \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_RenderClear)                                                                             \
    X(SDL_RenderCopy)                                                                              \
    X(SDL_RenderPresent)                                                                           \
    X(SDL_RenderSetIntegerScale)                                                                   \
    X(SDL_RenderSetLogicalSize)                                                                    \
    X(SDL_SetHint)                                                                                 \
    X(SDL_SetRenderDrawColor)                                                                      \
    X(SDL_SetWindowFullscreen)                                                                     \
    X(SDL_SetWindowSize)                                                                           \
    X(SDL_SetWindowTitle)                                                                          \
    X(SDL_UpdateTexture)

struct SdlLibrary {
#define LUMENFALL_SDL_POINTER(name) decltype(&::name) name = nullptr;
    LUMENFALL_SDL_FUNCTIONS(LUMENFALL_SDL_POINTER)
#undef LUMENFALL_SDL_POINTER
};

// The library, loaded on the first call and kept for the rest of the run.
// Throws HostError ("cannot open a window: ...") when it or one of the
// functions is missing.
const SdlLibrary& sdl_library();

} // namespace sim::out
