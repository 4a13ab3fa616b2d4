// The command bar: a grey strip across the top of its parent with optional
// adornment boxes (help, OK, close) at its right end.
#include <unordered_map>

#include "builtin_controls_internal.h"

namespace controls {

namespace {

inline constexpr int kBarHeight = 24;
inline constexpr int kBoxWidth = 24;
inline constexpr UINT kHelpMessage = 0x0053;

enum class Adornment { kNone, kClose, kOk, kHelp };

struct BarState {
    DWORD flags = 0;
    bool close = false;
    Adornment pressed = Adornment::kNone;
};

std::unordered_map<HWND, BarState>& Bars() {
    static std::unordered_map<HWND, BarState> bars;
    return bars;
}

// Boxes from the right end: close, then OK, then help.
RECT BoxRect(int width, int slot) {
    const int right = width - slot * kBoxWidth;
    return {right - kBoxWidth + 1, 1, right - 1, kBarHeight - 1};
}

int SlotOf(const BarState& state, Adornment which) {
    int slot = 0;
    if (state.close) {
        if (which == Adornment::kClose) return slot;
        ++slot;
    }
    if ((state.flags & CMDBAR_OK) != 0) {
        if (which == Adornment::kOk) return slot;
        ++slot;
    }
    if ((state.flags & CMDBAR_HELP) != 0 && which == Adornment::kHelp) return slot;
    return -1;
}

Adornment HitBar(HWND bar, const BarState& state, int x, int y) {
    RECT client{};
    GetClientRect(bar, &client);
    for (Adornment which : {Adornment::kClose, Adornment::kOk, Adornment::kHelp}) {
        const int slot = SlotOf(state, which);
        if (slot >= 0 && PointInRect(BoxRect(client.right, slot), x, y)) return which;
    }
    return Adornment::kNone;
}

void PaintBox(HDC dc, const RECT& box, LPCWSTR label, int count, bool pressed) {
    FillSolid(dc, box, pressed ? kBlack : kFace);
    FrameSolid(dc, box, kBlack);
    DrawLabel(dc, label, count, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
              pressed ? kWhite : kBlack, true);
}

void PaintBar(HWND bar, HDC dc, const BarState& state) {
    RECT client{};
    GetClientRect(bar, &client);
    FillSolid(dc, client, kFace);
    const RECT bottom_line{client.left, client.bottom - 1, client.right, client.bottom};
    FillSolid(dc, bottom_line, RGB(128, 128, 128));
    struct Item {
        Adornment which;
        LPCWSTR label;
        int count;
    };
    const Item items[] = {
        {Adornment::kClose, u"X", 1}, {Adornment::kOk, u"OK", 2}, {Adornment::kHelp, u"?", 1}};
    for (const Item& item : items) {
        const int slot = SlotOf(state, item.which);
        if (slot < 0) continue;
        PaintBox(dc, BoxRect(client.right, slot), item.label, item.count,
                 state.pressed == item.which);
    }
}

void RedrawBar(HWND bar) {
    HDC dc = GetDC(bar);
    if (dc == nullptr) return;
    PaintBar(bar, dc, Bars()[bar]);
    ReleaseDC(bar, dc);
}

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
            state.pressed = HitBar(bar, state, MouseX(lparam), MouseY(lparam));
            if (state.pressed != Adornment::kNone) RedrawBar(bar);
            return 0;
        }
        case WM_LBUTTONUP: {
            BarState& state = Bars()[bar];
            const Adornment pressed = state.pressed;
            if (pressed == Adornment::kNone) return 0;
            state.pressed = Adornment::kNone;
            RedrawBar(bar);
            if (HitBar(bar, state, MouseX(lparam), MouseY(lparam)) != pressed) return 0;
            // Posted, so the parent acts after the bar has finished with the click.
            HWND parent = GetParent(bar);
            if (pressed == Adornment::kClose) {
                PostMessageW(parent, WM_CLOSE, 0, 0);
            } else if (pressed == Adornment::kOk) {
                PostMessageW(parent, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(bar));
            } else {
                PostMessageW(parent, kHelpMessage, 0, 0);
            }
            return 0;
        }
        default:
            return DefWindowProcW(bar, message, wparam, lparam);
    }
}

BarState* FindBar(HWND bar) {
    if (!IsWindow(bar)) return nullptr;
    auto found = Bars().find(bar);
    return found == Bars().end() ? nullptr : &found->second;
}

}  // namespace

void RegisterCommandBarClass() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = CommandBarProc;
    window_class.lpszClassName = kCommandBarClass;
    RegisterClassW(&window_class);
}

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

BOOL CommandBar_AddAdornments(HWND command_bar, DWORD flags, DWORD /*reserved*/) {
    controls::BarState* state = controls::FindBar(command_bar);
    if (state == nullptr) return FALSE;
    state->close = true;
    state->flags |= flags & (CMDBAR_HELP | CMDBAR_OK);
    InvalidateRect(command_bar, nullptr, FALSE);
    return TRUE;
}

BOOL CommandBar_Show(HWND command_bar, BOOL show) {
    if (controls::FindBar(command_bar) == nullptr) return FALSE;
    ShowWindow(command_bar, show ? SW_SHOW : SW_HIDE);
    return TRUE;
}

int CommandBar_Height(HWND command_bar) {
    return controls::FindBar(command_bar) == nullptr ? 0 : controls::kBarHeight;
}
