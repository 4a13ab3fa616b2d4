// Level 12 of the window manager: the default window procedure and the
// window text. Uses only lower levels.
#include <algorithm>

#include "window_tree.h"

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto w = wm::FindWindow(window);
    if (!w) return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            if (dc == nullptr || !w->window_class || w->window_class->background == nullptr) {
                return 0;
            }
            // FillRect also takes a system colour index as the brush.
            const RECT client = wm::ClientRect(*w);
            FillRect(dc, &client, w->window_class->background);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            LPCWSTR text = reinterpret_cast<LPCWSTR>(lparam);
            std::u16string next = text ? std::u16string(text) : std::u16string();
            if (next != w->text) {
                w->text = std::move(next);
                if (wm::IsChild(*w)) InvalidateRect(window, nullptr, TRUE);
            }
            return TRUE;
        }
        case WM_GETTEXT: {
            LPWSTR buffer = reinterpret_cast<LPWSTR>(lparam);
            int max_count = static_cast<int>(std::min<WPARAM>(wparam, 0x7FFFFFFF));
            if (buffer == nullptr || max_count <= 0) return 0;
            int n = static_cast<int>(std::min<std::size_t>(w->text.size(), max_count - 1));
            std::copy(w->text.begin(), w->text.begin() + n, buffer);
            buffer[n] = 0;
            return n;
        }
        default:
            return 0;
    }
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    if (!wm::FindWindow(window)) return FALSE;
    return wm::CallWindow(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int max_count) {
    if (!wm::FindWindow(window) || buffer == nullptr || max_count <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(wm::CallWindow(window, WM_GETTEXT, static_cast<WPARAM>(max_count),
                                           reinterpret_cast<LPARAM>(buffer)));
}
