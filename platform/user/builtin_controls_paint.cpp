// Drawing helpers and the caption bar shared by the built-in controls.
#include <algorithm>

#include "builtin_controls_internal.h"
#include "gdi/window_dc.h"

namespace controls {

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    if (brush == nullptr) return;
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(color);
    if (brush == nullptr) return;
    const RECT edges[4] = {
        {rect.left, rect.top, rect.right, rect.top + 1},
        {rect.left, rect.bottom - 1, rect.right, rect.bottom},
        {rect.left, rect.top, rect.left + 1, rect.bottom},
        {rect.right - 1, rect.top, rect.right, rect.bottom},
    };
    for (const RECT& edge : edges)
        FillRect(dc, &edge, brush);
    DeleteObject(brush);
}

void DrawLabel(HDC dc, LPCWSTR text, int count, RECT rect, UINT format, COLORREF color,
               bool no_prefix) {
    if (text == nullptr || count <= 0) return;
    // Captions are short; longer ones are cut rather than allocated for.
    WCHAR shown[256];
    int n = 0;
    for (int i = 0; i < count && n < 255; ++i) {
        if (!no_prefix && text[i] == u'&') {
            // "&&" shows one '&'; a single '&' only marks the mnemonic.
            if (i + 1 < count && text[i + 1] == u'&') {
                shown[n++] = u'&';
                ++i;
            }
            continue;
        }
        shown[n++] = text[i];
    }
    shown[n] = 0;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextW(dc, shown, n, &rect, format);
}

bool PointInRect(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

int MouseX(LPARAM lparam) {
    return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lparam)));
}
int MouseY(LPARAM lparam) {
    return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lparam)));
}

int CaptionHeight() {
    return std::max(18, gdi::DefaultFontMetrics().line_height + 6);
}

CaptionLayout LayoutCaption(int width, bool ok_box, bool close_box) {
    CaptionLayout layout{};
    const int height = CaptionHeight();
    layout.bar = {0, 0, width, height};
    int right = width - 2;
    if (close_box) {
        layout.close = {right - (height - 4), 2, right, height - 2};
        right = layout.close.left - 2;
    }
    if (ok_box) {
        const int ok_width = std::max(height + 4, gdi::MeasureText(u"OK", 2) + 8);
        layout.ok = {right - ok_width, 2, right, height - 2};
    }
    return layout;
}

namespace {

void PaintCaptionBox(HDC dc, const RECT& box, LPCWSTR label, int count, bool pressed) {
    if (box.right <= box.left) return;
    FillSolid(dc, box, pressed ? kWhite : kCaption);
    FrameSolid(dc, box, kWhite);
    DrawLabel(dc, label, count, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
              pressed ? kCaption : kWhite, true);
}

}  // namespace

void PaintCaption(HDC dc, const CaptionLayout& layout, LPCWSTR title, CaptionBox pressed) {
    FillSolid(dc, layout.bar, kCaption);
    RECT text = layout.bar;
    text.left += 4;
    if (layout.ok.right > layout.ok.left) {
        text.right = layout.ok.left - 2;
    } else if (layout.close.right > layout.close.left) {
        text.right = layout.close.left - 2;
    }
    int length = 0;
    while (title != nullptr && title[length] != 0)
        ++length;
    DrawLabel(dc, title, length, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE, kWhite, true);
    PaintCaptionBox(dc, layout.ok, u"OK", 2, pressed == CaptionBox::kOk);
    PaintCaptionBox(dc, layout.close, u"X", 1, pressed == CaptionBox::kClose);
}

CaptionBox HitCaption(const CaptionLayout& layout, int x, int y) {
    if (PointInRect(layout.ok, x, y)) return CaptionBox::kOk;
    if (PointInRect(layout.close, x, y)) return CaptionBox::kClose;
    return CaptionBox::kNone;
}

bool IsWithin(HWND window, HWND root) {
    // Bounded walk: parents and owners never form a cycle, but a bound costs nothing.
    for (int depth = 0; window != nullptr && depth < 64; ++depth) {
        if (window == root) return true;
        window = GetParent(window);
    }
    return false;
}

}  // namespace controls
