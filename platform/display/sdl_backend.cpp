// SDL2 display: a host window showing the device screen at an integer scale,
// redrawn only where the screen changed, and host input turned into device
// input.
#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "display/backend.h"
#include "win/user.h"

namespace display {

namespace {

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
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
    }
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    void Present(const host::PixelView& screen, const RECT& damage) override {
        // The window starts blank: the first picture is the whole screen.
        const bool first = !have_screen_;
        screen_ = screen;
        have_screen_ = true;
        Draw(first ? RECT{0, 0, screen.width, screen.height} : damage);
    }

    void WaitForInput(std::uint64_t deadline_ms) override {
        if (deadline_ms == UINT64_MAX) {
            SDL_WaitEvent(nullptr);
            return;
        }
        const std::uint64_t now = host::NowMs();
        if (now >= deadline_ms) return;
        const std::uint64_t left = std::min<std::uint64_t>(deadline_ms - now, INT_MAX);
        // With a null event SDL leaves the event queued for PollInput.
        SDL_WaitEventTimeout(nullptr, static_cast<int>(left));
    }

    bool PollInput(InputEvent* event) override {
        SDL_Event sdl_event;
        while (SDL_PollEvent(&sdl_event) != 0) {
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
                        if (have_screen_) Draw(RECT{0, 0, screen_.width, screen_.height});
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

    // Scales the damaged part of the device screen into the window surface
    // and shows that part alone.
    void Draw(RECT damage) {
        SDL_Surface* surface = SDL_GetWindowSurface(window_);
        if (surface == nullptr) return;
        damage.left = std::max(damage.left, 0);
        damage.top = std::max(damage.top, 0);
        damage.right = std::min({damage.right, screen_.width, surface->w / scale_});
        damage.bottom = std::min({damage.bottom, screen_.height, surface->h / scale_});
        if (damage.left >= damage.right || damage.top >= damage.bottom) return;

        const bool locked = SDL_MUSTLOCK(surface);
        if (locked && SDL_LockSurface(surface) != 0) return;
        const int bytes = surface->format->BytesPerPixel;
        // Screens are mostly runs of one colour: map each new colour once.
        std::uint32_t last_color = ~screen_.At(damage.left, damage.top);
        Uint32 mapped = 0;
        for (int y = damage.top; y < damage.bottom; ++y) {
            for (int x = damage.left; x < damage.right; ++x) {
                const std::uint32_t color = screen_.At(x, y);
                if (color != last_color) {
                    last_color = color;
                    mapped = SDL_MapRGB(surface->format, color & 0xFF, (color >> 8) & 0xFF,
                                        (color >> 16) & 0xFF);
                }
                for (int sy = 0; sy < scale_; ++sy) {
                    auto* row = static_cast<Uint8*>(surface->pixels) +
                                static_cast<std::ptrdiff_t>(y * scale_ + sy) * surface->pitch;
                    for (int sx = 0; sx < scale_; ++sx) {
                        Uint8* at = row + static_cast<std::ptrdiff_t>(x * scale_ + sx) * bytes;
                        WritePixel(at, bytes, mapped);
                    }
                }
            }
        }
        if (locked) SDL_UnlockSurface(surface);
        const SDL_Rect shown{damage.left * scale_, damage.top * scale_,
                             (damage.right - damage.left) * scale_,
                             (damage.bottom - damage.top) * scale_};
        SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
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

    SDL_Window* window_;
    int scale_;
    host::PixelView screen_{};
    bool have_screen_ = false;
    bool close_sent_ = false;
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend(int scale, const char** why) {
    scale = std::clamp(scale, 1, 8);
    // The screen is copied by hand into the window surface: a GL-backed
    // surface would only add a driver.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (why != nullptr) *why = "SDL could not start its video subsystem";
        return nullptr;
    }
    SDL_Window* window =
        SDL_CreateWindow("Skymark", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         host::kScreenWidth * scale, host::kScreenHeight * scale, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        if (why != nullptr) *why = "SDL could not open a window";
        SDL_Quit();
        return nullptr;
    }
    if (SDL_GetWindowSurface(window) == nullptr) {
        if (why != nullptr) *why = "SDL gave the window no drawing surface";
        SDL_DestroyWindow(window);
        SDL_Quit();
        return nullptr;
    }
    return std::make_unique<SdlBackend>(window, scale);
}

}  // namespace display
