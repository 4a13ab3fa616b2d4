// The SDL display for real, on a private Xvfb server: a click pushed into
// SDL's queue reaches a push button, and the window shows the device screen.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "builtin_controls_internal.h"
#include "test_window.h"
#include "tests/support/child_process.h"
#include "tests/support/xvfb.h"

namespace {

inline constexpr int kScale = 2;
inline constexpr int kButtonId = 34820;

using test_support::Xvfb;

// SDL loads the X libraries itself and unloads them at exit, which leaves
// their lifetime allocations without symbols for the leak suppressions;
// keeping them loaded keeps the names.
void PinHostLibraries() {
    for (const char* name :
         {"libX11.so.6", "libX11-xcb.so.1", "libxcb.so.1", "libXext.so.6", "libXcursor.so.1",
          "libXfixes.so.3", "libXi.so.6", "libXrandr.so.2", "libXss.so.1", "libXrender.so.1",
          "libGL.so.1", "libGLX.so.0", "libEGL.so.1", "libdbus-1.so.3", "libudev.so.1"}) {
        dlopen(name, RTLD_NOW | RTLD_NODELETE);
    }
}

// Real clock here: dispatches for up to limit_ms, a short timer keeping the wait bounded.
void PumpFor(HWND window, std::uint64_t limit_ms, const std::function<bool()>& done) {
    SetTimer(window, 99, 20, nullptr);
    const std::uint64_t end = host::NowMs() + limit_ms;
    MSG message{};
    while (!done() && host::NowMs() < end && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(window, 99);
}

// The host window, found by the title the display was given.
SDL_Window* FindProbeWindow() {
    for (Uint32 id = 1; id < 64; ++id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window != nullptr && std::string(SDL_GetWindowTitle(window)) == "Probe \u00e9") {
            return window;
        }
    }
    return nullptr;
}

COLORREF SurfacePixel(SDL_Window* window, int x, int y) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || x >= surface->w || y >= surface->h) return 0xFFFFFFFF;
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    const int bytes = surface->format->BytesPerPixel;
    Uint32 value = 0;
    std::memcpy(&value, static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * bytes,
                static_cast<std::size_t>(bytes));
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return RGB(r, g, b);
}

void PushButtonEvent(SDL_Window* window, Uint32 type, int x, int y) {
    SDL_Event event{};
    event.type = type;
    event.button.windowID = SDL_GetWindowID(window);
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

TEST(SdlDisplayTest, InputReachesWindowsAndWindowShowsTheScreen) {
    Xvfb xvfb;
    if (xvfb.number.empty()) GTEST_SKIP() << "Xvfb did not report a display";
    PinHostLibraries();
    setenv("DISPLAY", (":" + xvfb.number).c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    host::DisplayChoice choice;
    choice.mode = host::DisplayChoice::Mode::kSdl;
    choice.scale = kScale;
    choice.title = u"Probe \u00e9";
    ASSERT_EQ(host::StartDisplay(choice), host::DisplayKind::kSdl);

    HWND parent = testwin::CreateParent();
    ASSERT_NE(parent, nullptr);
    HWND button =
        CreateWindowExW(0, u"button", u"Log", WS_CHILD | WS_VISIBLE, 250, 55, 60, 30, parent,
                        reinterpret_cast<HMENU>(std::intptr_t{kButtonId}), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    PumpFor(parent, 300, [] { return false; });

    SDL_Window* window = FindProbeWindow();
    ASSERT_NE(window, nullptr);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(width, test_screen::kWidth * kScale);
    EXPECT_EQ(height, test_screen::kHeight * kScale);

    // The device screen and the window agree, scaled.
    const host::PixelView screen = host::ScreenPixels();
    EXPECT_EQ(screen.At(250, 55), controls::kBlack);
    EXPECT_EQ(screen.At(252, 57), controls::kFace);
    for (const POINT p : {POINT{250, 55}, POINT{252, 57}, POINT{10, 200}, POINT{309, 84}}) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(SurfacePixel(window, p.x * kScale, p.y * kScale), screen.At(p.x, p.y));
        EXPECT_EQ(SurfacePixel(window, p.x * kScale + 1, p.y * kScale + 1), screen.At(p.x, p.y));
    }

    PushButtonEvent(window, SDL_MOUSEBUTTONDOWN, 270 * kScale, 70 * kScale);
    PushButtonEvent(window, SDL_MOUSEBUTTONUP, 270 * kScale, 70 * kScale);
    PumpFor(parent, 3000, [] { return testwin::Count(WM_COMMAND) > 0; });
    ASSERT_EQ(testwin::Count(WM_COMMAND), 1);
    EXPECT_EQ(testwin::Log().back().wparam, MAKEWPARAM(kButtonId, BN_CLICKED));
    EXPECT_EQ(testwin::Log().back().lparam, reinterpret_cast<LPARAM>(button));

    // A caption change reaches the window too.
    const auto before = testwin::Snapshot({255, 60, 305, 80});
    SetWindowTextW(button, u"Stop");
    PumpFor(parent, 300, [] { return false; });
    EXPECT_NE(testwin::Snapshot({255, 60, 305, 80}), before);
    int differing = 0;
    for (int x = 255; x < 305; ++x) {
        for (int y = 60; y < 80; ++y) {
            if (SurfacePixel(window, x * kScale, y * kScale) != screen.At(x, y)) ++differing;
        }
    }
    EXPECT_EQ(differing, 0) << "the window must follow the screen after a change";

    // Keys, the host window's close control and minimising, as SDL reports them.
    struct KeyCase {
        const char* name;
        SDL_Keycode key;
        Uint16 modifiers;
        UINT message;
        WPARAM wparam;
    };
    const KeyCase keys[] = {
        {"Alt+/ gives the character", SDLK_SLASH, KMOD_LALT, WM_SYSCHAR, u'/'},
        {"Alt+F4 gives the virtual key", SDLK_F4, KMOD_LALT, WM_SYSKEYDOWN, 0x73},
        {"a gives the letter key", SDLK_a, KMOD_NONE, WM_KEYDOWN, 'A'},
        {"a gives the character", SDLK_a, KMOD_NONE, WM_CHAR, u'a'},
        {"Return", SDLK_RETURN, KMOD_NONE, WM_KEYDOWN, VK_RETURN},
    };
    for (const KeyCase& k : keys) {
        SCOPED_TRACE(k.name);
        testwin::Log().clear();
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event event{};
            event.type = type;
            event.key.windowID = SDL_GetWindowID(window);
            event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            event.key.keysym.sym = k.key;
            event.key.keysym.mod = k.modifiers;
            SDL_PushEvent(&event);
        }
        auto arrived = [&] {
            for (const testwin::Recorded& r : testwin::Log()) {
                if (r.message == k.message && r.wparam == k.wparam) return true;
            }
            return false;
        };
        PumpFor(parent, 2000, arrived);
        EXPECT_TRUE(arrived());
        // Let the rest of this key (its release) go before the next case.
        PumpFor(parent, 100, [] { return false; });
    }

    testwin::Log().clear();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    PumpFor(parent, 2000, [] { return testwin::Count(WM_CLOSE) > 0; });
    EXPECT_EQ(testwin::Count(WM_CLOSE), 1);

    SDL_Event minimised{};
    minimised.type = SDL_WINDOWEVENT;
    minimised.window.windowID = SDL_GetWindowID(window);
    minimised.window.event = SDL_WINDOWEVENT_MINIMIZED;
    SDL_PushEvent(&minimised);
    PumpFor(parent, 2000, [] { return testwin::Count(WM_KILLFOCUS) > 0; });
    EXPECT_EQ(testwin::Count(WM_KILLFOCUS), 1);

    DestroyWindow(parent);
    host::ResetWindowManager();
    host::StopDisplay();
    xvfb.Stop();
}

}  // namespace
