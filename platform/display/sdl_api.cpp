// Loading SDL at run time.
#include "display/sdl_api.h"

#include <dlfcn.h>

namespace display::sdl {

SdlApi api;

namespace {

template <class Function>
bool Resolve(void* library, const char* name, Function* out) {
    void* symbol = dlsym(library, name);
    *out = reinterpret_cast<Function>(symbol);
    return symbol != nullptr;
}

}  // namespace

bool LoadSdl(const char** why) {
    static bool loaded = false;
    if (loaded) return true;
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        *why = "libSDL2-2.0.so.0 could not be loaded";
        return false;
    }
    SdlApi found{};
    const bool all =
        Resolve(library, "SDL_SetHint", &found.SetHint) &&
        Resolve(library, "SDL_Init", &found.Init) && Resolve(library, "SDL_Quit", &found.Quit) &&
        Resolve(library, "SDL_QuitSubSystem", &found.QuitSubSystem) &&
        Resolve(library, "SDL_GetError", &found.GetError) &&
        Resolve(library, "SDL_GetCurrentVideoDriver", &found.GetCurrentVideoDriver) &&
        Resolve(library, "SDL_GetWindowWMInfo", &found.GetWindowWMInfo) &&
        Resolve(library, "SDL_CreateWindow", &found.CreateWindow) &&
        Resolve(library, "SDL_DestroyWindow", &found.DestroyWindow) &&
        Resolve(library, "SDL_GetWindowSurface", &found.GetWindowSurface) &&
        Resolve(library, "SDL_UpdateWindowSurfaceRects", &found.UpdateWindowSurfaceRects) &&
        Resolve(library, "SDL_LockSurface", &found.LockSurface) &&
        Resolve(library, "SDL_UnlockSurface", &found.UnlockSurface) &&
        Resolve(library, "SDL_MapRGB", &found.MapRGB) &&
        Resolve(library, "SDL_WaitEvent", &found.WaitEvent) &&
        Resolve(library, "SDL_WaitEventTimeout", &found.WaitEventTimeout) &&
        Resolve(library, "SDL_PumpEvents", &found.PumpEvents) &&
        Resolve(library, "SDL_PeepEvents", &found.PeepEvents);
    if (!all) {
        *why = "libSDL2-2.0.so.0 lacks a function this display needs";
        dlclose(library);
        return false;
    }
    api = found;
    loaded = true;
    return true;
}

}  // namespace display::sdl
