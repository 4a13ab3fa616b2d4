// Chooses the host display at start-up and hands it to the window manager.
#include <cstdlib>
#include <cstring>

#include "display/backend.h"
#include "host/host.h"
#include "user/display_link.h"

namespace host {

namespace {

constexpr int kDefaultScale = 2;

int ScaleFromEnvironment() {
    const char* text = std::getenv("SKYMARK_SCALE");
    if (text == nullptr || *text == 0) return kDefaultScale;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (*end != 0 || value < 1 || value > 8) {
        Report("SKYMARK_SCALE=%s is not 1 to 8; using %d", text, kDefaultScale);
        return kDefaultScale;
    }
    return static_cast<int>(value);
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

DisplayKind StartHeadless(const char* why) {
    const char* snapshot = std::getenv("SKYMARK_SNAPSHOT");
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

DisplayKind StartDisplay() {
    const char* choice = std::getenv("SKYMARK_DISPLAY");
    bool force_sdl = false;
    if (choice != nullptr && std::strcmp(choice, "headless") == 0) {
        return StartHeadless("SKYMARK_DISPLAY=headless");
    }
    if (choice != nullptr && std::strcmp(choice, "sdl") == 0) {
        force_sdl = true;
    } else if (choice != nullptr && *choice != 0) {
        Report("SKYMARK_DISPLAY=%s is neither sdl nor headless", choice);
    }
    if (!force_sdl && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        return StartHeadless("neither DISPLAY nor WAYLAND_DISPLAY is set");
    }
    const char* why = nullptr;
    int scale = ScaleFromEnvironment();
    std::unique_ptr<display::Backend> sdl = display::CreateSdlBackend(scale, &why);
    // Only a display that shows something counts; the reason says why not.
    if (!sdl) return StartHeadless(why != nullptr ? why : "the SDL display could not start");
    wm::SetBackend(std::move(sdl));
    Report("display: sdl at scale %d (%s)", scale,
           force_sdl ? "SKYMARK_DISPLAY=sdl" : "a desktop display is available");
    return DisplayKind::kSdl;
}

void StopDisplay() {
    wm::SetBackend(nullptr);
}

}  // namespace host
