// The command bar: a grey strip across the top of its parent with, once
// adorned, a close box at its right end.
#include <unordered_map>

#include "builtin_controls_internal.h"

namespace controls {

namespace {

inline constexpr int kBarHeight = 24;
inline constexpr int kBoxWidth = 24;

struct BarState {
    bool close = false;    // the close box is there
    bool pressed = false;  // the close box is held
};

std::unordered_map<HWND, BarState>& Bars() {
    static std::unordered_map<HWND, BarState> bars;
    return bars;
}

RECT CloseBox(HWND bar) {
    RECT client{};
    GetClientRect(bar, &client);
    return {client.right - kBoxWidth + 1, 1, client.right - 1, kBarHeight - 1};
}

bool HitClose(HWND bar, const BarState& state, LPARAM lparam) {
    return state.close && PointInRect(CloseBox(bar), MouseX(lparam), MouseY(lparam));
}

void PaintBar(HWND bar, HDC dc, const BarState& state) {
    RECT client{};
    GetClientRect(bar, &client);
    FillSolid(dc, client, kFace);
    const RECT bottom_line{client.left, client.bottom - 1, client.right, client.bottom};
    FillSolid(dc, bottom_line, RGB(128, 128, 128));
    if (!state.close) return;
    const RECT box = CloseBox(bar);
    FillSolid(dc, box, state.pressed ? kBlack : kFace);
    FrameSolid(dc, box, kBlack);
    DrawLabel(dc, u"X", 1, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
              state.pressed ? kWhite : kBlack, true);
}

void RedrawBar(HWND bar) {
    HDC dc = GetDC(bar);
    if (dc == nullptr) return;
    PaintBar(bar, dc, Bars()[bar]);
    ReleaseDC(bar, dc);
}

}  // namespace

LRESULT CommandBarProc(HWND bar, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            Bars()[bar] = BarState{};
            return 0;
        case WM_DESTROY:
            Bars().erase(bar);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(bar, &paint);
            if (dc != nullptr) PaintBar(bar, dc, Bars()[bar]);
            EndPaint(bar, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN: {
            BarState& state = Bars()[bar];
            state.pressed = HitClose(bar, state, lparam);
            if (state.pressed) RedrawBar(bar);
            return 0;
        }
        case WM_LBUTTONUP: {
            BarState& state = Bars()[bar];
            if (!state.pressed) return 0;
            state.pressed = false;
            RedrawBar(bar);
            // Posted, so the parent acts after the bar has finished with the click.
            if (HitClose(bar, state, lparam)) PostMessageW(GetParent(bar), WM_CLOSE, 0, 0);
            return 0;
        }
        default:
            return DefWindowProcW(bar, message, wparam, lparam);
    }
}

namespace {

BarState* FindBar(HWND bar) {
    if (!IsWindow(bar)) return nullptr;
    auto found = Bars().find(bar);
    return found == Bars().end() ? nullptr : &found->second;
}

}  // namespace

}  // namespace controls

HWND CommandBar_Create(HINSTANCE instance, HWND parent, int id) {
    if (!IsWindow(parent)) return nullptr;
    RECT client{};
    GetClientRect(parent, &client);
    return CreateWindowExW(0, controls::kCommandBarClass, u"", WS_CHILD | WS_VISIBLE, 0, 0,
                           client.right - client.left, controls::kBarHeight, parent,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), instance,
                           nullptr);
}

// Only the close box exists here: the help and OK boxes have no use.
BOOL CommandBar_AddAdornments(HWND command_bar, DWORD flags, DWORD /*reserved*/) {
    controls::BarState* state = controls::FindBar(command_bar);
    if (state == nullptr || flags != 0) return FALSE;
    state->close = true;
    InvalidateRect(command_bar, nullptr, FALSE);
    return TRUE;
}

BOOL CommandBar_Show(HWND command_bar, BOOL show) {
    if (controls::FindBar(command_bar) == nullptr) return FALSE;
    ShowWindow(command_bar, show ? SW_SHOW : SW_HIDE);
    return TRUE;
}
