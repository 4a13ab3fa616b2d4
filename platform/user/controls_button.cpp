// Push buttons: a framed, centred caption that notifies its parent when
// clicked (pressed and released inside).
#include <unordered_map>

#include "builtin_controls_internal.h"

namespace controls {

namespace {

// Whether each button is held: pressed on it and not yet released.
std::unordered_map<HWND, bool>& Pressed() {
    static std::unordered_map<HWND, bool> pressed;
    return pressed;
}

void PaintButton(HWND button, HDC dc, bool pressed) {
    RECT client{};
    GetClientRect(button, &client);
    FillSolid(dc, client, pressed ? kBlack : kFace);
    FrameSolid(dc, client, kBlack);
    WCHAR text[256];
    const int length = GetWindowTextW(button, text, 256);
    DrawLabel(dc, text, length, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
              pressed ? kWhite : kBlack, false);
}

void RedrawButton(HWND button, bool pressed) {
    HDC dc = GetDC(button);
    if (dc == nullptr) return;
    PaintButton(button, dc, pressed);
    ReleaseDC(button, dc);
}

bool TextEquals(HWND window, LPCWSTR text) {
    WCHAR current[256];
    const int length = GetWindowTextW(window, current, 256);
    if (text == nullptr) return length == 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] != current[i]) return false;
    }
    return text[length] == 0;
}

}  // namespace

LRESULT ButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            Pressed()[button] = false;
            return 0;
        case WM_DESTROY:
            Pressed().erase(button);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers the whole button
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(button, &paint);
            if (dc != nullptr) PaintButton(button, dc, Pressed()[button]);
            EndPaint(button, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            // The Log button gets the same caption every tick; only a change repaints.
            const bool same = TextEquals(button, reinterpret_cast<LPCWSTR>(lparam));
            const LRESULT result = DefWindowProcW(button, message, wparam, lparam);
            if (!same) RedrawButton(button, Pressed()[button]);
            return result;
        }
        case WM_LBUTTONDOWN:
            Pressed()[button] = true;
            RedrawButton(button, true);
            return 0;
        case WM_LBUTTONUP: {
            bool& pressed = Pressed()[button];
            if (!pressed) return 0;
            pressed = false;
            RECT client{};
            GetClientRect(button, &client);
            const bool inside = PointInRect(client, MouseX(lparam), MouseY(lparam));
            RedrawButton(button, false);
            if (inside) {
                // Last, since the parent may destroy the button in its handler.
                const int id = GetDlgCtrlID(button);
                SendMessageW(GetParent(button), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
            }
            return 0;
        }
        default:
            return DefWindowProcW(button, message, wparam, lparam);
    }
}

}  // namespace controls
