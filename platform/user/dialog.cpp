// Modal dialogs built from templates: a popup with its own caption bar, the
// template's controls as children, and a dialog procedure that sees every
// message before the default handling.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "builtin_controls_internal.h"
#include "dialog_template.h"
#include "gdi/window_dc.h"
#include "user_internal.h"

namespace controls {

namespace {

// Templates arrive as bare pointers; this caps how far one is read when its
// resource size is unknown.
inline constexpr std::size_t kMaxTemplateSize = 64 * 1024;

struct DialogState {
    DLGPROC procedure = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    bool has_caption = false;
    bool framed = false;
    bool ok_box = false;
    bool close_box = false;
    CaptionBox pressed = CaptionBox::kNone;
};

std::unordered_map<HWND, DialogState*>& Dialogs() {
    static std::unordered_map<HWND, DialogState*> dialogs;
    return dialogs;
}

DialogState* FindDialog(HWND dialog) {
    auto found = Dialogs().find(dialog);
    return found == Dialogs().end() ? nullptr : found->second;
}

CaptionLayout DialogCaption(HWND dialog, const DialogState& state) {
    RECT client{};
    GetClientRect(dialog, &client);
    return LayoutCaption(client.right, state.ok_box, state.close_box);
}

void PaintDialog(HWND dialog, HDC dc, const DialogState& state) {
    RECT client{};
    GetClientRect(dialog, &client);
    FillSolid(dc, client, kWhite);
    if (state.has_caption) {
        WCHAR title[256];
        const int length = GetWindowTextW(dialog, title, 256);
        title[std::clamp(length, 0, 255)] = 0;
        PaintCaption(dc, DialogCaption(dialog, state), title, state.pressed);
    }
    if (state.framed) FrameSolid(dc, client, kBlack);
}

void RedrawDialog(HWND dialog, const DialogState& state) {
    HDC dc = GetDC(dialog);
    if (dc == nullptr) return;
    PaintDialog(dialog, dc, state);
    ReleaseDC(dialog, dc);
}

void SendCommand(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

LRESULT DefaultDialogProcessing(HWND dialog, DialogState* state, UINT message, WPARAM wparam,
                                LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(dialog, &paint);
            if (dc != nullptr && state != nullptr) PaintDialog(dialog, dc, *state);
            EndPaint(dialog, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (state != nullptr && state->has_caption) {
                state->pressed =
                    HitCaption(DialogCaption(dialog, *state), MouseX(lparam), MouseY(lparam));
                if (state->pressed != CaptionBox::kNone) RedrawDialog(dialog, *state);
            }
            return 0;
        case WM_LBUTTONUP: {
            if (state == nullptr || state->pressed == CaptionBox::kNone) return 0;
            const CaptionBox pressed = state->pressed;
            state->pressed = CaptionBox::kNone;
            RedrawDialog(dialog, *state);
            const CaptionBox released =
                HitCaption(DialogCaption(dialog, *state), MouseX(lparam), MouseY(lparam));
            if (released != pressed) return 0;
            if (pressed == CaptionBox::kOk) {
                SendCommand(dialog, IDOK);
            } else {
                SendMessageW(dialog, WM_CLOSE, 0, 0);
            }
            return 0;
        }
        case WM_CLOSE:
            // Closing a dialog cancels it; the procedure decides whether it ends.
            SendCommand(dialog, IDCANCEL);
            return 0;
        default:
            return DefWindowProcW(dialog, message, wparam, lparam);
    }
}

}  // namespace

LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    DialogState* state = FindDialog(dialog);
    if (state != nullptr && state->procedure != nullptr) {
        const BOOL handled = state->procedure(dialog, message, wparam, lparam);
        if (handled) return message == WM_INITDIALOG ? handled : 0;
    }
    return DefaultDialogProcessing(dialog, state, message, wparam, lparam);
}

namespace {

void OnDialogKey(HWND dialog, WORD virtual_key, void* /*context*/) {
    SendCommand(dialog, virtual_key == VK_RETURN ? IDOK : IDCANCEL);
}

LPCWSTR ItemClassName(const TemplateName& name) {
    if (!name.is_ordinal) return name.text.c_str();
    switch (name.ordinal) {
        case 0x0080:
            return kButtonClass;
        case 0x0082:
            return kStaticClass;
        default:
            // Edit, list box, scroll bar and combo box do not exist here.
            return nullptr;
    }
}

// Dialog units to pixels with the default font's base units.
int UnitsToX(int units) {
    return units * gdi::DefaultFontMetrics().average_char_width / 4;
}
int UnitsToY(int units) {
    return units * gdi::DefaultFontMetrics().line_height / 8;
}

HWND CreateItem(HINSTANCE instance, HWND dialog, int top, const DialogItemData& item) {
    LPCWSTR class_name = ItemClassName(item.window_class);
    if (class_name == nullptr) return nullptr;
    LPCWSTR title = item.title.is_ordinal ? u"" : item.title.text.c_str();
    HWND control = CreateWindowExW(
        item.ex_style, class_name, title, item.style | WS_CHILD, UnitsToX(item.x),
        top + UnitsToY(item.y), UnitsToX(item.cx), UnitsToY(item.cy), dialog,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), instance, nullptr);
    if (control == nullptr) return nullptr;
    const bool is_static = item.window_class.is_ordinal && item.window_class.ordinal == 0x0082;
    if (is_static) {
        HICON icon = nullptr;
        if ((item.style & 0x1F) == SS_ICON && item.title.is_ordinal) {
            icon = LoadIconW(instance, MAKEINTRESOURCEW(item.title.ordinal));
        }
        ConfigureStatic(control, item.style, icon);
    }
    return control;
}

// Creates the dialog window and its controls; null on any failure, with
// nothing left behind.
HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplateData& data, HWND owner,
                        DialogState* state, HWND* focus_target) {
    state->has_caption = (data.style & WS_CAPTION) == WS_CAPTION;
    state->framed = (data.style & (DS_MODALFRAME | WS_BORDER | WS_DLGFRAME)) != 0;
    state->ok_box = state->has_caption && (data.ex_style & WS_EX_CAPTIONOKBTN) != 0;
    state->close_box = state->has_caption && (data.style & WS_SYSMENU) != 0;
    const int top = state->has_caption ? CaptionHeight() : 0;

    // The position is in screen coordinates: owners sit at the screen origin.
    // The caption is drawn inside the window, above the template's client area.
    HWND dialog = CreateWindowExW(0, kDialogClass, data.title.c_str(), WS_POPUP, UnitsToX(data.x),
                                  UnitsToY(data.y), UnitsToX(data.cx), top + UnitsToY(data.cy),
                                  owner, nullptr, instance, nullptr);
    if (dialog == nullptr) return nullptr;
    Dialogs()[dialog] = state;

    *focus_target = nullptr;
    for (const DialogItemData& item : data.items) {
        HWND control = CreateItem(instance, dialog, top, item);
        if (control == nullptr) {
            // The procedure never saw WM_INITDIALOG, so it does not see the teardown either.
            Dialogs().erase(dialog);
            DestroyWindow(dialog);
            return nullptr;
        }
        if (*focus_target == nullptr && (item.style & WS_TABSTOP) != 0) {
            *focus_target = control;
        }
    }
    return dialog;
}

}  // namespace

}  // namespace controls

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* dialog_template, HWND owner,
                                DLGPROC dialog_proc, LPARAM init_param) {
    using namespace controls;
    std::size_t size = kMaxTemplateSize;
    std::size_t resource_size = 0;
    if (user::FindResourceBounds(dialog_template, &resource_size)) {
        size = std::min(size, resource_size);
    }
    DialogTemplateData data;
    if (!ParseDialogTemplate(dialog_template, size, &data)) return -1;
    if (owner != nullptr && !IsWindow(owner)) return -1;

    DialogState state;
    state.procedure = dialog_proc;
    HWND focus_target = nullptr;
    HWND dialog = CreateDialogWindow(instance, data, owner, &state, &focus_target);
    if (dialog == nullptr) return -1;

    const LRESULT set_focus =
        SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus_target), init_param);
    if (set_focus != 0 && IsWindow(dialog)) {
        SetFocus(focus_target != nullptr ? focus_target : dialog);
    }
    if (!state.ended && IsWindow(dialog)) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }

    RunModalLoop(dialog, &state.ended, OnDialogKey, nullptr);

    if (IsWindow(dialog)) DestroyWindow(dialog);
    Dialogs().erase(dialog);
    // A dialog destroyed by other means than EndDialog answers 0.
    return state.ended ? state.result : 0;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    controls::DialogState* state = controls::FindDialog(dialog);
    if (state == nullptr || !IsWindow(dialog)) return FALSE;
    state->ended = true;
    state->result = result;
    return TRUE;
}
