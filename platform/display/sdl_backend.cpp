// SDL2 display: a host window showing the device screen at an integer scale,
// redrawn only where the screen changed, and host input turned into device
// input.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/backend.h"
#include "display/display_loss.h"
#include "display/sdl_api.h"
#include "display/sdl_keys.h"
#include "display/sdl_pixels.h"
#include "display/x11_socket.h"
#include "platform/kernel/wide_text.h"

namespace display {
namespace {

// A release left of or above the window must not land on device pixel 0.
int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// The connection behind the window, as far as it can be watched.
struct HostConnection {
    WaylandConnection wayland;
    X11Socket x11;
};

class SdlBackend final : public Backend {
  public:
    SdlBackend(SDL_Window* window, int scale, HostConnection connection)
        : window_(window), scale_(scale), wayland_(connection.wayland), x11_(connection.x11) {}
    ~SdlBackend() override {
        sdl::api.DestroyWindow(window_);
        sdl::api.QuitSubSystem(SDL_INIT_VIDEO);
        sdl::api.Quit();
    }
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    void Present(const host::PixelView& screen, const RECT* rects, int count) override {
        // The window starts blank: the first picture is the whole screen.
        const bool first = !have_screen_;
        screen_ = screen;
        have_screen_ = true;
        if (first || rects == nullptr) {
            DrawAll();
        } else {
            Draw(rects, count);
        }
    }

    void WaitForInput(std::uint64_t deadline_ms) override {
        if (x11_.Watched()) {
            WaitOnX11Socket(deadline_ms);
            return;
        }
        if (deadline_ms == UINT64_MAX) {
            sdl::api.WaitEvent(nullptr);
            last_pump_ = Clock::now();
            wayland_.EndIfLost();
            return;
        }
        const std::uint64_t now = host::NowMs();
        if (now >= deadline_ms) return;
        const std::uint64_t left = std::min<std::uint64_t>(deadline_ms - now, INT_MAX);
        // With a null event SDL leaves the event queued for PollInput. The
        // wait reads the host's events on its way out.
        sdl::api.WaitEventTimeout(nullptr, static_cast<int>(left));
        last_pump_ = Clock::now();
        // On a failed Wayland connection every wait returns at once: the
        // loss is noticed here, before the waits could spin.
        wayland_.EndIfLost();
    }

    bool PollInput(InputEvent* event) override {
        // Reading the host connection costs system calls, and the message
        // loop asks for input many times between two waits: it is read again
        // only when the last read is a little while ago, and on X only when
        // the server has sent something or the last read is a second ago.
        const auto now = Clock::now();
        if (now - last_look_ >= kPumpInterval) {
            last_look_ = now;
            if (!x11_.Watched() || now - last_pump_ >= kLongestWithoutPump ||
                x11_.WaitReadable(0)) {
                sdl::api.PumpEvents();
                last_pump_ = now;
            }
        }
        SDL_Event sdl_event;
        while (sdl::api.PeepEvents(&sdl_event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) >
               0) {
            if (Translate(sdl_event, event)) return true;
        }
        return false;
    }

  private:
    using Clock = std::chrono::steady_clock;

    // Sleeps on the X socket until the deadline, and has SDL read the
    // connection only when the server sent something. SDL is still pumped
    // at least once a second: it finishes some work on its own time there
    // (a focus change settles after a delay) and turns a termination signal
    // into its quit event.
    void WaitOnX11Socket(std::uint64_t deadline_ms) {
        if (sdl::api.PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            return;
        }
        const auto since_pump = Clock::now() - last_pump_;
        const auto to_pump =
            since_pump >= kLongestWithoutPump
                ? std::chrono::milliseconds(0)
                : std::chrono::ceil<std::chrono::milliseconds>(kLongestWithoutPump - since_pump);
        std::int64_t timeout = to_pump.count();
        if (deadline_ms != UINT64_MAX) {
            const std::uint64_t now = host::NowMs();
            const std::uint64_t left = now >= deadline_ms ? 0 : deadline_ms - now;
            timeout = std::min<std::int64_t>(
                timeout, static_cast<std::int64_t>(std::min<std::uint64_t>(left, INT_MAX)));
        }
        const bool readable = x11_.WaitReadable(static_cast<int>(timeout));
        last_look_ = Clock::now();
        if (readable || last_look_ - last_pump_ >= kLongestWithoutPump) {
            sdl::api.PumpEvents();
            last_pump_ = last_look_;
        }
    }

    bool Translate(const SDL_Event& sdl_event, InputEvent* event) {
        *event = InputEvent{};
        switch (sdl_event.type) {
            case SDL_QUIT:
                // SDL says a lost Wayland connection with a quit.
                wayland_.EndIfLost();
                // Closing the only window brings both a window close and a quit.
                if (close_sent_) return false;
                close_sent_ = true;
                event->kind = InputEvent::Kind::kClose;
                return true;
            case SDL_WINDOWEVENT:
                switch (sdl_event.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        if (close_sent_) return false;
                        close_sent_ = true;
                        event->kind = InputEvent::Kind::kClose;
                        return true;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        event->kind = InputEvent::Kind::kFocusLost;
                        return true;
                    case SDL_WINDOWEVENT_EXPOSED:
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        if (have_screen_) DrawAll();
                        return false;
                    default:
                        return false;
                }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (sdl_event.button.button != SDL_BUTTON_LEFT) return false;
                event->kind = sdl_event.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::kMouseDown
                                                                    : InputEvent::Kind::kMouseUp;
                event->x = FloorDiv(sdl_event.button.x, scale_);
                event->y = FloorDiv(sdl_event.button.y, scale_);
                return true;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                sdl::KeyMapping mapping{};
                const Uint16 modifiers = sdl_event.key.keysym.mod;
                if (!sdl::MapKey(sdl_event.key.keysym.sym, modifiers, &mapping)) return false;
                event->kind = sdl_event.type == SDL_KEYDOWN ? InputEvent::Kind::kKeyDown
                                                            : InputEvent::Kind::kKeyUp;
                event->virtual_key = mapping.virtual_key;
                event->character = mapping.character;
                event->alt = (modifiers & KMOD_ALT) != 0;
                return true;
            }
            default:
                return false;
        }
    }

    void DrawAll() {
        const RECT all{0, 0, screen_.width, screen_.height};
        Draw(&all, 1);
    }

    // Scales the damaged parts of the device screen into the window surface
    // and shows those parts alone.
    void Draw(const RECT* rects, int count) {
        SDL_Surface* surface = sdl::api.GetWindowSurface(window_);
        if (surface == nullptr || count <= 0) return;
        const bool locked = SDL_MUSTLOCK(surface);
        if (locked && sdl::api.LockSurface(surface) != 0) return;
        SDL_Rect shown[kMaxShown];
        int shown_count = 0;
        for (int i = 0; i < count; ++i) {
            RECT r = rects[i];
            r.left = std::max(r.left, 0);
            r.top = std::max(r.top, 0);
            r.right = std::min({r.right, screen_.width, surface->w / scale_});
            r.bottom = std::min({r.bottom, screen_.height, surface->h / scale_});
            if (r.left >= r.right || r.top >= r.bottom) continue;
            sdl::CopyScaled(screen_, r, scale_, surface);
            const SDL_Rect part{r.left * scale_, r.top * scale_, (r.right - r.left) * scale_,
                                (r.bottom - r.top) * scale_};
            if (shown_count == kMaxShown) {
                sdl::api.UpdateWindowSurfaceRects(window_, shown, shown_count);
                shown_count = 0;
            }
            shown[shown_count++] = part;
        }
        if (locked) sdl::api.UnlockSurface(surface);
        if (shown_count > 0) sdl::api.UpdateWindowSurfaceRects(window_, shown, shown_count);
    }

    static constexpr int kMaxShown = 16;
    static constexpr std::chrono::milliseconds kPumpInterval{10};
    static constexpr std::chrono::seconds kLongestWithoutPump{1};

    SDL_Window* window_;
    int scale_;
    WaylandConnection wayland_;
    X11Socket x11_;
    host::PixelView screen_{};
    bool have_screen_ = false;
    bool close_sent_ = false;
    Clock::time_point last_pump_{};
    Clock::time_point last_look_{};  // at the connection, pumped or not
};

// Drivers that SDL offers when it reaches no display: they show nothing.
bool ShowsNothing(const char* driver) {
    return driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
           std::strcmp(driver, "dummy") == 0;
}

// Why no display was reached, in a buffer that outlives the call.
const char* NoDisplayReason(const char* driver) {
    static char reason[256];
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool has_x = x != nullptr && *x != 0;
    const bool has_wayland = wayland != nullptr && *wayland != 0;
    std::snprintf(reason, sizeof reason,
                  "no display can be reached with DISPLAY%s%s and WAYLAND_DISPLAY%s%s; SDL offers "
                  "only its %s driver, which shows nothing",
                  has_x ? "=" : " ", has_x ? x : "unset", has_wayland ? "=" : " ",
                  has_wayland ? wayland : "unset", driver != nullptr ? driver : "unnamed");
    return reason;
}

// Watches the connection behind the window, so that its loss ends the
// program; a connection that cannot be watched is said, and the display goes
// on without the watch. On X the socket is found as well, for the waits.
HostConnection WatchConnection(SDL_Window* window, const char* driver) {
    HostConnection connection;
    const char* why = nullptr;
    if (driver == nullptr) return connection;
    SDL_SysWMinfo info{};
    SDL_VERSION(&info.version);
    const bool have_info = sdl::api.GetWindowWMInfo(window, &info) == SDL_TRUE;
    if (std::strcmp(driver, "x11") == 0) {
        if (!WatchX11Connection(&why)) host::Report("the X connection is not watched: %s", why);
        // Without the socket SDL keeps doing the waiting.
        if (have_info && info.subsystem == SDL_SYSWM_X11)
            connection.x11.Watch(info.info.x11.display);
    } else if (std::strcmp(driver, "wayland") == 0) {
        void* display = nullptr;
        if (have_info && info.subsystem == SDL_SYSWM_WAYLAND) display = info.info.wl.display;
        if (!connection.wayland.Watch(display, &why)) {
            host::Report("the Wayland connection is not watched: %s", why);
        }
    }
    return connection;
}

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend(int scale, LPCWSTR title, const char** why) {
    scale = std::clamp(scale, 1, 8);
    const char* ignored = nullptr;
    if (why == nullptr) why = &ignored;
    if (!sdl::LoadSdl(why)) return nullptr;
    // The screen is copied by hand into the window surface: a GL-backed
    // surface would only add a driver.
    sdl::api.SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (sdl::api.Init(SDL_INIT_VIDEO) != 0) {
        static char reason[256];
        std::snprintf(reason, sizeof reason, "SDL could not start its video subsystem: %s",
                      sdl::api.GetError());
        *why = reason;
        return nullptr;
    }
    const char* driver = sdl::api.GetCurrentVideoDriver();
    if (ShowsNothing(driver)) {
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        if (asked == nullptr || *asked == 0) {
            *why = NoDisplayReason(driver);
            sdl::api.Quit();
            return nullptr;
        }
        host::Report("SDL_VIDEODRIVER=%s: SDL uses its %s driver, which shows nothing", asked,
                     driver != nullptr ? driver : "unnamed");
    }
    // A title that does not convert is left out rather than shown garbled.
    char title_text[256] = "";
    if (title != nullptr && !kernel::Utf16ToUtf8(title, title_text, sizeof title_text)) {
        title_text[0] = '\0';
    }
    const host::PixelView screen = host::ScreenPixels();
    SDL_Window* window =
        sdl::api.CreateWindow(title_text, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              screen.width * scale, screen.height * scale, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        *why = "SDL could not open a window";
        sdl::api.Quit();
        return nullptr;
    }
    if (sdl::api.GetWindowSurface(window) == nullptr) {
        *why = "SDL gave the window no drawing surface";
        sdl::api.DestroyWindow(window);
        sdl::api.Quit();
        return nullptr;
    }
    return std::make_unique<SdlBackend>(window, scale, WatchConnection(window, driver));
}

}  // namespace display
