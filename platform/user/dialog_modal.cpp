// The modal message loop that message boxes and dialogs run over their owner.
#include "builtin_controls_internal.h"

namespace controls {

namespace {

bool IsKeyMessage(UINT message) {
    return message >= WM_KEYDOWN && message <= WM_SYSCHAR;
}

bool IsMouseMessage(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
}

}  // namespace

bool RunModalLoop(HWND modal, const bool* done, ModalKeyHandler on_key, void* context) {
    MSG message{};
    while (!*done && IsWindow(modal)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The outer loop must see the quit as well.
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (got < 0) return true;
        if (IsKeyMessage(message.message) || IsMouseMessage(message.message)) {
            // Enter and Escape belong to the modal window wherever the focus is.
            if (message.message == WM_KEYDOWN &&
                (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
                if (on_key != nullptr) {
                    on_key(modal, static_cast<WORD>(message.wParam), context);
                }
                continue;
            }
            // The owner and its other windows are disabled while the modal window is up.
            if (!IsWithin(message.hwnd, modal)) continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace controls
