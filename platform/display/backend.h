// What the window manager needs from a host display: show the device screen,
// wait for host input until a deadline, and hand that input over. Internal to
// the platform layer.
#pragma once

#include <cstdint>
#include <memory>

#include "host/host.h"
#include "win/types.h"

namespace display {

struct InputEvent {
    enum class Kind {
        kMouseDown,  // x, y in device screen pixels
        kMouseUp,
        kKeyDown,  // virtual_key, character (0 when none), alt
        kKeyUp,
        kClose,      // the host window's close control
        kFocusLost,  // the host window was minimised: the program lost the focus
    };
    Kind kind;
    int x;
    int y;
    WORD virtual_key;
    char16_t character;
    bool alt;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Shows the changed parts of the device screen: count rectangles in
    // device screen pixels (they may overlap).
    virtual void Present(const host::PixelView& screen, const RECT* rects, int count) = 0;
    // Blocks until host input is available or the monotonic clock reaches
    // deadline_ms (host::NowMs); UINT64_MAX waits for input alone. Never spins.
    virtual void WaitForInput(std::uint64_t deadline_ms) = 0;
    // Takes one pending input event; false when there is none.
    virtual bool PollInput(InputEvent* event) = 0;
};

// Headless: no window; optional PNG snapshots of the device screen
// (snapshot_path may be null), written atomically when its pixels changed, at
// most every 250 ms. A snapshot that cannot be written is reported once.
std::unique_ptr<Backend> CreateHeadlessBackend(const char* snapshot_path);
// SDL2 window at an integer scale, with the title (may be null); null when no
// display can be opened, with the reason in *why (a static string).
std::unique_ptr<Backend> CreateSdlBackend(int scale, LPCWSTR title, const char** why);

}  // namespace display
