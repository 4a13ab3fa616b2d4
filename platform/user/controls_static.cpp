// Static controls: one line of text (left or centred, clipped) or an icon.
#include <unordered_map>

#include "builtin_controls_internal.h"
#include "user_internal.h"

namespace controls {

namespace {

struct StaticState {
    DWORD style = SS_LEFT;
    HICON icon = nullptr;
};

std::unordered_map<HWND, StaticState>& Statics() {
    static std::unordered_map<HWND, StaticState> statics;
    return statics;
}

inline constexpr DWORD kTypeMask = 0x1F;

void PaintStatic(HWND control, HDC dc, const StaticState& state) {
    RECT client{};
    GetClientRect(control, &client);
    FillSolid(dc, client, kWhite);
    if ((state.style & kTypeMask) == SS_ICON) {
        if (state.icon != nullptr) user::DrawIconInto(dc, state.icon, 0, 0, 32, 32);
        return;
    }
    WCHAR text[256];
    const int length = GetWindowTextW(control, text, 256);
    const UINT align = (state.style & kTypeMask) == SS_CENTER ? DT_CENTER : DT_LEFT;
    DrawLabel(dc, text, length, client, align | DT_SINGLELINE, kBlack,
              (state.style & SS_NOPREFIX) != 0);
}

void RedrawStatic(HWND control) {
    HDC dc = GetDC(control);
    if (dc == nullptr) return;
    PaintStatic(control, dc, Statics()[control]);
    ReleaseDC(control, dc);
}

}  // namespace

LRESULT StaticProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            Statics()[control] = StaticState{
                static_cast<DWORD>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->style), nullptr};
            return 0;
        case WM_DESTROY:
            Statics().erase(control);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(control, &paint);
            if (dc != nullptr) PaintStatic(control, dc, Statics()[control]);
            EndPaint(control, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(control, message, wparam, lparam);
            RedrawStatic(control);
            return result;
        }
        default:
            return DefWindowProcW(control, message, wparam, lparam);
    }
}

void ConfigureStatic(HWND control, DWORD style, HICON icon) {
    auto found = Statics().find(control);
    if (found == Statics().end()) return;
    found->second.style = style;
    found->second.icon = icon;
    InvalidateRect(control, nullptr, FALSE);
}

}  // namespace controls
