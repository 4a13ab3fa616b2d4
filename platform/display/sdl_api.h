// The SDL functions the display uses, resolved from the library at run time.
// Internal to the SDL display.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

namespace display::sdl {

// SDL is loaded only when this display is chosen, so that a headless program
// never maps it and the many libraries it pulls in.
struct SdlApi {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_Init) Init;
    decltype(&SDL_Quit) Quit;
    decltype(&SDL_QuitSubSystem) QuitSubSystem;
    decltype(&SDL_GetError) GetError;
    decltype(&SDL_GetCurrentVideoDriver) GetCurrentVideoDriver;
    decltype(&SDL_GetWindowWMInfo) GetWindowWMInfo;
    decltype(&SDL_CreateWindow) CreateWindow;
    decltype(&SDL_DestroyWindow) DestroyWindow;
    decltype(&SDL_GetWindowSurface) GetWindowSurface;
    decltype(&SDL_UpdateWindowSurfaceRects) UpdateWindowSurfaceRects;
    decltype(&SDL_LockSurface) LockSurface;
    decltype(&SDL_UnlockSurface) UnlockSurface;
    decltype(&SDL_MapRGB) MapRGB;
    decltype(&SDL_WaitEvent) WaitEvent;
    decltype(&SDL_WaitEventTimeout) WaitEventTimeout;
    decltype(&SDL_PumpEvents) PumpEvents;
    decltype(&SDL_PeepEvents) PeepEvents;
};

extern SdlApi api;

// Loads the library once; it stays loaded for the life of the process (its
// own exit handlers and the X libraries expect that). False with the reason
// in *why (a static string) when it cannot be loaded.
bool LoadSdl(const char** why);

}  // namespace display::sdl
