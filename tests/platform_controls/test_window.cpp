#include "test_window.h"

#include <algorithm>

namespace testwin {

namespace {

inline constexpr UINT_PTR kScriptTimer = 77;

std::function<void(WPARAM)>& TimerHandler() {
    static std::function<void(WPARAM)> handler;
    return handler;
}

struct Scheduled {
    std::uint64_t at_ms;
    std::function<void()> action;
};

std::vector<Scheduled>& Script() {
    static std::vector<Scheduled> script;
    return script;
}

void RunScript();

LRESULT ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CLOSE:
            Log().push_back({window, message, wparam, lparam});
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_KILLFOCUS:
            Log().push_back({window, message, wparam, lparam});
            return DefWindowProcW(window, message, wparam, lparam);
        case WM_TIMER:
            if (wparam == kScriptTimer) {
                RunScript();
                return 0;
            }
            Log().push_back({window, message, wparam, lparam});
            if (TimerHandler()) TimerHandler()(wparam);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

void RunScript() {
    const std::uint64_t now = host::NowMs();
    // Actions may schedule more or open modal loops: take the due ones first.
    std::vector<Scheduled> due;
    auto& script = Script();
    for (auto it = script.begin(); it != script.end();) {
        if (it->at_ms <= now) {
            due.push_back(std::move(*it));
            it = script.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& item : due)
        item.action();
}

}  // namespace

std::vector<Recorded>& Log() {
    static std::vector<Recorded> log;
    return log;
}

int Count(UINT message) {
    return static_cast<int>(std::count_if(Log().begin(), Log().end(),
                                          [&](const Recorded& r) { return r.message == message; }));
}

void OnParentTimer(std::function<void(WPARAM)> handler) {
    TimerHandler() = std::move(handler);
}

HWND CreateParent() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ParentProc;
    window_class.hbrBackground = GetStockObject(WHITE_BRUSH);
    window_class.lpszClassName = u"ControlsTestParent";
    RegisterClassW(&window_class);
    return CreateWindowExW(0, u"ControlsTestParent", u"Parent", WS_VISIBLE, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr,
                           nullptr);
}

void Pump() {
    MSG message{};
    for (int i = 0; i < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms) {
    MSG message{};
    while (!done() && host::NowMs() < limit_ms) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ScheduleAt(HWND window, std::uint64_t at_ms, std::function<void()> action) {
    Script().push_back({at_ms, std::move(action)});
    SetTimer(window, kScriptTimer, 10, nullptr);
}

void Click(int x, int y) {
    host::InjectMouseButton(x, y, true);
    host::InjectMouseButton(x, y, false);
}

void PressKey(WORD virtual_key, char16_t character) {
    host::InjectKey(virtual_key, character, false, true);
    host::InjectKey(virtual_key, character, false, false);
}

std::vector<std::uint32_t> Snapshot(const RECT& rect) {
    const host::PixelView screen = host::ScreenPixels();
    std::vector<std::uint32_t> pixels;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x)
            pixels.push_back(screen.At(x, y));
    }
    return pixels;
}

void Start() {
    host::ResetWindowManager();
    host::UseVirtualClock(0);
    Log().clear();
    Script().clear();
    TimerHandler() = nullptr;
}

void Finish() {
    host::ResetWindowManager();
    Script().clear();
    TimerHandler() = nullptr;
    host::UseRealClock();
}

}  // namespace testwin
