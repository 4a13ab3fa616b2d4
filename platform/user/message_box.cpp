// MessageBoxW: a modal popup with a caption, one line of text and an OK button.
#include <algorithm>
#include <string>
#include <unordered_map>

#include "builtin_controls_internal.h"
#include "gdi/window_dc.h"
#include "host/host.h"

namespace controls {

namespace {

inline constexpr int kMargin = 10;
inline constexpr int kButtonWidth = 60;
inline constexpr int kButtonHeight = 24;

struct BoxState {
    std::u16string text;
    std::u16string caption;
    bool done = false;
};

std::unordered_map<HWND, BoxState*>& Boxes() {
    static std::unordered_map<HWND, BoxState*> boxes;
    return boxes;
}

BoxState* FindBox(HWND box) {
    auto found = Boxes().find(box);
    return found == Boxes().end() ? nullptr : found->second;
}

void PaintBox(HWND box, HDC dc, const BoxState& state) {
    RECT client{};
    GetClientRect(box, &client);
    FillSolid(dc, client, kWhite);
    PaintCaption(dc, LayoutCaption(client.right, false, false), state.caption.c_str(),
                 CaptionBox::kNone);
    FrameSolid(dc, client, kBlack);
    const int line = gdi::DefaultFontMetrics().line_height;
    RECT text{kMargin, CaptionHeight() + kMargin, client.right - kMargin,
              CaptionHeight() + kMargin + line};
    DrawLabel(dc, state.text.c_str(), static_cast<int>(state.text.size()), text,
              DT_CENTER | DT_SINGLELINE, kBlack, true);
}

}  // namespace

LRESULT MessageBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    BoxState* state = FindBox(box);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(box, &paint);
            if (dc != nullptr && state != nullptr) PaintBox(box, dc, *state);
            EndPaint(box, &paint);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK && state != nullptr) state->done = true;
            return 0;
        case WM_CLOSE:
            // Closing a box with only an OK button answers OK.
            if (state != nullptr) state->done = true;
            return 0;
        default:
            return DefWindowProcW(box, message, wparam, lparam);
    }
}

namespace {

void OnBoxKey(HWND box, WORD /*virtual_key*/, void* /*context*/) {
    // Enter and Escape both answer the only button.
    BoxState* state = FindBox(box);
    if (state != nullptr) state->done = true;
}

}  // namespace

}  // namespace controls

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT /*type*/) {
    using namespace controls;
    // Copies: timer handlers run while the box is up and may reuse the caller's buffers.
    BoxState state;
    state.text = text != nullptr ? text : u"";
    state.caption = caption != nullptr ? caption : u"Error";

    const auto text_width =
        gdi::MeasureText(state.text.c_str(), static_cast<int>(state.text.size()));
    const auto caption_width =
        gdi::MeasureText(state.caption.c_str(), static_cast<int>(state.caption.size()));
    const RECT screen = gdi::ScreenBounds();
    const int width = std::min(std::max(std::max(text_width, caption_width + 8) + 2 * kMargin, 120),
                               int{screen.right});
    const int height = CaptionHeight() + kMargin + gdi::DefaultFontMetrics().line_height + kMargin +
                       kButtonHeight + kMargin;
    const int x = (screen.right - width) / 2;
    const int y = std::max(0, (screen.bottom - height) / 2);

    HWND box =
        CreateWindowExW(0, kMessageBoxClass, state.caption.c_str(), WS_POPUP, x, y, width, height,
                        IsWindow(owner) ? owner : nullptr, nullptr, nullptr, nullptr);
    if (box == nullptr) return 0;
    Boxes()[box] = &state;
    CreateWindowExW(0, kButtonClass, u"OK", WS_CHILD | WS_VISIBLE, (width - kButtonWidth) / 2,
                    height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight, box,
                    reinterpret_cast<HMENU>(static_cast<std::intptr_t>(IDOK)), nullptr, nullptr);
    ShowWindow(box, SW_SHOW);
    UpdateWindow(box);

    RunModalLoop(box, &state.done, OnBoxKey, nullptr);

    if (IsWindow(box)) DestroyWindow(box);
    Boxes().erase(box);
    return IDOK;
}
