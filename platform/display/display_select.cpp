// Chooses the host display at start-up and hands it to the window manager.
#include <algorithm>
#include <cstdlib>

#include "display/backend.h"
#include "host/host.h"
#include "user/display_link.h"

namespace host {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

DisplayKind StartHeadless(const char* snapshot, const char* why) {
    if (snapshot != nullptr && *snapshot == 0) snapshot = nullptr;
    wm::SetBackend(display::CreateHeadlessBackend(snapshot));
    if (snapshot != nullptr) {
        Report("display: headless (%s), snapshots to %s", why, snapshot);
    } else {
        Report("display: headless (%s)", why);
    }
    return DisplayKind::kHeadless;
}

}  // namespace

DisplayKind StartDisplay(const DisplayChoice& choice) {
    using Mode = DisplayChoice::Mode;
    const char* asked = choice.why != nullptr ? choice.why : "asked for";
    if (choice.mode == Mode::kHeadless) return StartHeadless(choice.snapshot, asked);
    const bool force_sdl = choice.mode == Mode::kSdl;
    if (!force_sdl && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        return StartHeadless(choice.snapshot, "neither DISPLAY nor WAYLAND_DISPLAY is set");
    }
    const char* why = nullptr;
    std::unique_ptr<display::Backend> sdl =
        display::CreateSdlBackend(choice.scale, choice.title, &why);
    // Only a display that shows something counts; the reason says why not.
    if (!sdl) {
        return StartHeadless(choice.snapshot,
                             why != nullptr ? why : "the SDL display could not start");
    }
    wm::SetBackend(std::move(sdl));
    Report("display: sdl at scale %d (%s)", std::clamp(choice.scale, 1, 8),
           force_sdl ? asked : "a desktop display is available");
    return DisplayKind::kSdl;
}

void StopDisplay() {
    wm::SetBackend(nullptr);
}

}  // namespace host
