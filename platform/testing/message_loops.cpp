// The message loops tests run in place of a program's own.
#include "host/testing.h"
#include "user/message_loop.h"
#include "win/user.h"

namespace host {

bool RunMessageLoopUntil(std::uint64_t virtual_ms) {
    MSG msg;
    for (;;) {
        while (wm::PeekInternal(&msg, nullptr, 0, 0, true)) {
            if (msg.message == WM_QUIT) return false;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (NowMs() >= virtual_ms) return true;
        wm::Wait(nullptr, 0, 0, virtual_ms);
    }
}

int RunMessageLoopToQuit() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace host
