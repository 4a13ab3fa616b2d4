// SDL2 display: a host window showing the device screen at an integer scale,
// redrawn only where the screen changed, and host input turned into device
// input.
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "display/backend.h"
#include "win/user.h"

namespace display {

namespace {

// SDL is loaded only when this display is chosen, so that a headless program
// never maps it and the many libraries it pulls in.
struct SdlApi {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_Init) Init;
    decltype(&SDL_Quit) Quit;
    decltype(&SDL_QuitSubSystem) QuitSubSystem;
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

SdlApi sdl;

template <class Function>
bool Resolve(void* library, const char* name, Function* out) {
    void* symbol = dlsym(library, name);
    *out = reinterpret_cast<Function>(symbol);
    return symbol != nullptr;
}

// Loads the library once; it stays loaded for the life of the process (its
// own exit handlers and the X libraries expect that).
bool LoadSdl(const char** why) {
    static bool loaded = false;
    if (loaded) return true;
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        *why = "libSDL2-2.0.so.0 could not be loaded";
        return false;
    }
    SdlApi api{};
    const bool all =
        Resolve(library, "SDL_SetHint", &api.SetHint) && Resolve(library, "SDL_Init", &api.Init) &&
        Resolve(library, "SDL_Quit", &api.Quit) &&
        Resolve(library, "SDL_QuitSubSystem", &api.QuitSubSystem) &&
        Resolve(library, "SDL_CreateWindow", &api.CreateWindow) &&
        Resolve(library, "SDL_DestroyWindow", &api.DestroyWindow) &&
        Resolve(library, "SDL_GetWindowSurface", &api.GetWindowSurface) &&
        Resolve(library, "SDL_UpdateWindowSurfaceRects", &api.UpdateWindowSurfaceRects) &&
        Resolve(library, "SDL_LockSurface", &api.LockSurface) &&
        Resolve(library, "SDL_UnlockSurface", &api.UnlockSurface) &&
        Resolve(library, "SDL_MapRGB", &api.MapRGB) &&
        Resolve(library, "SDL_WaitEvent", &api.WaitEvent) &&
        Resolve(library, "SDL_WaitEventTimeout", &api.WaitEventTimeout) &&
        Resolve(library, "SDL_PumpEvents", &api.PumpEvents) &&
        Resolve(library, "SDL_PeepEvents", &api.PeepEvents);
    if (!all) {
        *why = "libSDL2-2.0.so.0 lacks a function this display needs";
        dlclose(library);
        return false;
    }
    sdl = api;
    loaded = true;
    return true;
}

inline constexpr WORD kVkF1 = 0x70;
inline constexpr WORD kVkLeft = 0x25;
inline constexpr WORD kVkUp = 0x26;
inline constexpr WORD kVkRight = 0x27;
inline constexpr WORD kVkDown = 0x28;
inline constexpr WORD kVkDelete = 0x2E;
inline constexpr WORD kVkHome = 0x24;
inline constexpr WORD kVkEnd = 0x23;

struct KeyMapping {
    WORD virtual_key;
    char16_t character;
};

// Virtual key of a punctuation key as a US keyboard numbers it.
WORD PunctuationKey(char c) {
    switch (c) {
        case ';':
            return 0xBA;
        case '=':
            return 0xBB;
        case ',':
            return 0xBC;
        case '-':
            return 0xBD;
        case '.':
            return 0xBE;
        case '/':
            return 0xBF;
        case '`':
            return 0xC0;
        case '[':
            return 0xDB;
        case '\\':
            return 0xDC;
        case ']':
            return 0xDD;
        case '\'':
            return 0xDE;
        default:
            return 0;
    }
}

char ShiftedUs(char c) {
    static constexpr char kPlain[] = "1234567890-=[]\\;',./`";
    static constexpr char kShifted[] = "!@#$%^&*()_+{}|:\"<>?~";
    const char* at = std::strchr(kPlain, c);
    return at != nullptr && c != 0 ? kShifted[at - kPlain] : c;
}

// SDL_TEXTINPUT does not come with Alt held on X11, so the character is taken
// from the key itself for ASCII keys.
bool MapKey(SDL_Keycode key, Uint16 modifiers, KeyMapping* out) {
    const bool shift = (modifiers & KMOD_SHIFT) != 0;
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        *out = {static_cast<WORD>(kVkF1 + (key - SDLK_F1)), 0};
        return true;
    }
    if (key >= SDLK_a && key <= SDLK_z) {
        const char lower = static_cast<char>(key);
        const char upper = static_cast<char>(lower - 'a' + 'A');
        *out = {static_cast<WORD>(upper), static_cast<char16_t>(shift ? upper : lower)};
        return true;
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        const char digit = static_cast<char>(key);
        *out = {static_cast<WORD>(digit), static_cast<char16_t>(shift ? ShiftedUs(digit) : digit)};
        return true;
    }
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            *out = {VK_RETURN, u'\r'};
            return true;
        case SDLK_ESCAPE:
            *out = {VK_ESCAPE, 0x1B};
            return true;
        case SDLK_TAB:
            *out = {VK_TAB, u'\t'};
            return true;
        case SDLK_BACKSPACE:
            *out = {VK_BACK, 0x08};
            return true;
        case SDLK_SPACE:
            *out = {VK_SPACE, u' '};
            return true;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            *out = {VK_SHIFT, 0};
            return true;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            *out = {VK_CONTROL, 0};
            return true;
        case SDLK_LALT:
        case SDLK_RALT:
            *out = {VK_MENU, 0};
            return true;
        case SDLK_LEFT:
            *out = {kVkLeft, 0};
            return true;
        case SDLK_UP:
            *out = {kVkUp, 0};
            return true;
        case SDLK_RIGHT:
            *out = {kVkRight, 0};
            return true;
        case SDLK_DOWN:
            *out = {kVkDown, 0};
            return true;
        case SDLK_DELETE:
            *out = {kVkDelete, 0};
            return true;
        case SDLK_HOME:
            *out = {kVkHome, 0};
            return true;
        case SDLK_END:
            *out = {kVkEnd, 0};
            return true;
        default:
            break;
    }
    if (key > 0 && key < 0x80) {
        const char c = static_cast<char>(key);
        const WORD vk = PunctuationKey(c);
        if (vk == 0) return false;
        *out = {vk, static_cast<char16_t>(shift ? ShiftedUs(c) : c)};
        return true;
    }
    return false;
}

// A release left of or above the window must not land on device pixel 0.
int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

class SdlBackend final : public Backend {
  public:
    SdlBackend(SDL_Window* window, int scale) : window_(window), scale_(scale) {}
    ~SdlBackend() override {
        sdl.DestroyWindow(window_);
        sdl.QuitSubSystem(SDL_INIT_VIDEO);
        sdl.Quit();
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
        if (deadline_ms == UINT64_MAX) {
            sdl.WaitEvent(nullptr);
            last_pump_ = std::chrono::steady_clock::now();
            return;
        }
        const std::uint64_t now = host::NowMs();
        if (now >= deadline_ms) return;
        const std::uint64_t left = std::min<std::uint64_t>(deadline_ms - now, INT_MAX);
        // With a null event SDL leaves the event queued for PollInput. The
        // wait reads the host's events on its way out.
        sdl.WaitEventTimeout(nullptr, static_cast<int>(left));
        last_pump_ = std::chrono::steady_clock::now();
    }

    bool PollInput(InputEvent* event) override {
        // Reading the host connection costs system calls, and the message
        // loop asks for input many times between two waits: it is read again
        // only when the last read is a little while ago.
        const auto now = std::chrono::steady_clock::now();
        if (now - last_pump_ >= kPumpInterval) {
            sdl.PumpEvents();
            last_pump_ = now;
        }
        SDL_Event sdl_event;
        while (sdl.PeepEvents(&sdl_event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            if (Translate(sdl_event, event)) return true;
        }
        return false;
    }

  private:
    bool Translate(const SDL_Event& sdl_event, InputEvent* event) {
        *event = InputEvent{};
        switch (sdl_event.type) {
            case SDL_QUIT:
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
                KeyMapping mapping{};
                const Uint16 modifiers = sdl_event.key.keysym.mod;
                if (!MapKey(sdl_event.key.keysym.sym, modifiers, &mapping)) return false;
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
        SDL_Surface* surface = sdl.GetWindowSurface(window_);
        if (surface == nullptr || count <= 0) return;
        const bool locked = SDL_MUSTLOCK(surface);
        if (locked && sdl.LockSurface(surface) != 0) return;
        const Converter convert(surface->format);
        SDL_Rect shown[kMaxShown];
        int shown_count = 0;
        for (int i = 0; i < count; ++i) {
            RECT r = rects[i];
            r.left = std::max(r.left, 0);
            r.top = std::max(r.top, 0);
            r.right = std::min({r.right, screen_.width, surface->w / scale_});
            r.bottom = std::min({r.bottom, screen_.height, surface->h / scale_});
            if (r.left >= r.right || r.top >= r.bottom) continue;
            DrawRect(surface, convert, r);
            const SDL_Rect part{r.left * scale_, r.top * scale_, (r.right - r.left) * scale_,
                                (r.bottom - r.top) * scale_};
            if (shown_count == kMaxShown) {
                sdl.UpdateWindowSurfaceRects(window_, shown, shown_count);
                shown_count = 0;
            }
            shown[shown_count++] = part;
        }
        if (locked) sdl.UnlockSurface(surface);
        if (shown_count > 0) sdl.UpdateWindowSurfaceRects(window_, shown, shown_count);
    }

    // COLORREF (0x00BBGGRR) to a surface pixel value. Surfaces of 32 bits
    // with byte-wide channels take shifts; the others ask SDL, once per run
    // of one colour.
    class Converter {
      public:
        explicit Converter(const SDL_PixelFormat* format) : format_(format) {
            bytes_ = format->BytesPerPixel;
            if (bytes_ == 4 && format->Rloss == 0 && format->Gloss == 0 && format->Bloss == 0) {
                direct_ = true;
                // XRGB8888 ignores its top byte and ARGB8888 wants it full.
                xrgb_ = format->Rshift == 16 && format->Gshift == 8 && format->Bshift == 0 &&
                        (format->Amask == 0 || format->Amask == 0xFF000000u);
                r_shift_ = format->Rshift;
                g_shift_ = format->Gshift;
                b_shift_ = format->Bshift;
                alpha_ = format->Amask;
            }
        }
        int bytes() const { return bytes_; }
        bool direct() const { return direct_; }

        bool xrgb() const { return xrgb_; }

        // 0x00BBGGRR to 0x00RRGGBB; the alpha byte, if any, is opaque.
        static Uint32 Xrgb(std::uint32_t color) {
            return (__builtin_bswap32(color) >> 8) | 0xFF000000u;
        }

        Uint32 Direct(std::uint32_t color) const {
            return ((color & 0xFF) << r_shift_) | (((color >> 8) & 0xFF) << g_shift_) |
                   (((color >> 16) & 0xFF) << b_shift_) | alpha_;
        }

        Uint32 Mapped(std::uint32_t color) {
            if (color != last_color_ || !have_last_) {
                last_color_ = color;
                have_last_ = true;
                last_value_ =
                    sdl.MapRGB(format_, color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
            }
            return last_value_;
        }

      private:
        const SDL_PixelFormat* format_;
        int bytes_ = 0;
        bool direct_ = false;
        bool xrgb_ = false;
        int r_shift_ = 0;
        int g_shift_ = 0;
        int b_shift_ = 0;
        Uint32 alpha_ = 0;
        std::uint32_t last_color_ = 0;
        bool have_last_ = false;
        Uint32 last_value_ = 0;
    };

    // One rectangle: each device row is scaled into the first of its window
    // rows, which is then copied to the others.
    void DrawRect(SDL_Surface* surface, Converter convert, const RECT& r) {
        const int bytes = convert.bytes();
        const std::size_t row_bytes =
            static_cast<std::size_t>(r.right - r.left) * static_cast<std::size_t>(scale_ * bytes);
        for (int y = r.top; y < r.bottom; ++y) {
            const std::uint32_t* from =
                screen_.pixels + static_cast<std::ptrdiff_t>(y) * screen_.stride;
            auto* first_row = static_cast<Uint8*>(surface->pixels) +
                              static_cast<std::ptrdiff_t>(y * scale_) * surface->pitch +
                              static_cast<std::ptrdiff_t>(r.left * scale_) * bytes;
            if (convert.xrgb()) {
                ScaleRow(from + r.left, r.right - r.left, reinterpret_cast<Uint32*>(first_row),
                         [](std::uint32_t c) { return Converter::Xrgb(c); });
            } else if (convert.direct()) {
                ScaleRow(from + r.left, r.right - r.left, reinterpret_cast<Uint32*>(first_row),
                         [&convert](std::uint32_t c) { return convert.Direct(c); });
            } else {
                Uint8* to = first_row;
                for (int x = r.left; x < r.right; ++x) {
                    const Uint32 value = convert.Mapped(from[x]);
                    for (int sx = 0; sx < scale_; ++sx) {
                        WritePixel(to, bytes, value);
                        to += bytes;
                    }
                }
            }
            for (int sy = 1; sy < scale_; ++sy)
                std::memcpy(first_row + static_cast<std::ptrdiff_t>(sy) * surface->pitch, first_row,
                            row_bytes);
        }
    }

    // One device row of 32-bit pixels, each written scale_ times.
    template <class Convert>
    void ScaleRow(const std::uint32_t* from, int count, Uint32* to, Convert convert) const {
        if (scale_ == 1) {
            for (int i = 0; i < count; ++i)
                to[i] = convert(from[i]);
        } else if (scale_ == 2) {
            for (int i = 0; i < count; ++i) {
                const Uint32 value = convert(from[i]);
                to[2 * i] = value;
                to[2 * i + 1] = value;
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const Uint32 value = convert(from[i]);
                for (int sx = 0; sx < scale_; ++sx)
                    *to++ = value;
            }
        }
    }

    static void WritePixel(Uint8* at, int bytes, Uint32 value) {
        switch (bytes) {
            case 4: {
                std::memcpy(at, &value, 4);
                break;
            }
            case 2: {
                const Uint16 narrow = static_cast<Uint16>(value);
                std::memcpy(at, &narrow, 2);
                break;
            }
            case 3:
                // Same byte order as the value held in memory.
                if (SDL_BYTEORDER == SDL_LIL_ENDIAN) {
                    at[0] = value & 0xFF;
                    at[1] = (value >> 8) & 0xFF;
                    at[2] = (value >> 16) & 0xFF;
                } else {
                    at[0] = (value >> 16) & 0xFF;
                    at[1] = (value >> 8) & 0xFF;
                    at[2] = value & 0xFF;
                }
                break;
            default:
                *at = static_cast<Uint8>(value);
                break;
        }
    }

    static constexpr int kMaxShown = 16;
    static constexpr std::chrono::milliseconds kPumpInterval{10};

    SDL_Window* window_;
    int scale_;
    host::PixelView screen_{};
    bool have_screen_ = false;
    bool close_sent_ = false;
    std::chrono::steady_clock::time_point last_pump_{};
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend(int scale, const char** why) {
    scale = std::clamp(scale, 1, 8);
    const char* ignored = nullptr;
    if (why == nullptr) why = &ignored;
    if (!LoadSdl(why)) return nullptr;
    // The screen is copied by hand into the window surface: a GL-backed
    // surface would only add a driver.
    sdl.SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (sdl.Init(SDL_INIT_VIDEO) != 0) {
        *why = "SDL could not start its video subsystem";
        return nullptr;
    }
    SDL_Window* window =
        sdl.CreateWindow("Skymark", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         host::kScreenWidth * scale, host::kScreenHeight * scale, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        *why = "SDL could not open a window";
        sdl.Quit();
        return nullptr;
    }
    if (sdl.GetWindowSurface(window) == nullptr) {
        *why = "SDL gave the window no drawing surface";
        sdl.DestroyWindow(window);
        sdl.Quit();
        return nullptr;
    }
    return std::make_unique<SdlBackend>(window, scale);
}

}  // namespace display
