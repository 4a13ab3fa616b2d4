// The key map of the SDL display.
#include "display/sdl_keys.h"

#include <cstring>

#include "win/user.h"

namespace display::sdl {
namespace {

inline constexpr WORD kVkF1 = 0x70;
inline constexpr WORD kVkLeft = 0x25;
inline constexpr WORD kVkUp = 0x26;
inline constexpr WORD kVkRight = 0x27;
inline constexpr WORD kVkDown = 0x28;
inline constexpr WORD kVkDelete = 0x2E;
inline constexpr WORD kVkHome = 0x24;
inline constexpr WORD kVkEnd = 0x23;

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

}  // namespace

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

}  // namespace display::sdl
