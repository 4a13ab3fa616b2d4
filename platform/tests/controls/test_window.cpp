#include "test_window.h"

#include <algorithm>
#include <iterator>

namespace testwin {

namespace {

inline constexpr UINT_PTR kScriptTimer = 77;

Hook& CurrentHook() {
    static Hook hook;
    return hook;
}

struct Scheduled {
    std::uint64_t at_ms;
    std::function<void()> action;
};

std::vector<Scheduled>& Script() {
    static std::vector<Scheduled> script;
    return script;
}

void RunScript() {
    // Actions may schedule more or open modal loops: take the due ones out first.
    auto& script = Script();
    const auto due = std::stable_partition(
        script.begin(), script.end(), [](const Scheduled& s) { return s.at_ms > host::NowMs(); });
    std::vector<Scheduled> actions(std::make_move_iterator(due),
                                   std::make_move_iterator(script.end()));
    script.erase(due, script.end());
    for (auto& item : actions)
        item.action();
}

LRESULT RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kScriptTimer) {
        RunScript();
        return 0;
    }
    Log().push_back({window, message, wparam, lparam});
    LRESULT result = 0;
    if (CurrentHook() && CurrentHook()(window, message, wparam, lparam, &result)) return result;
    return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wparam, lparam);
}

void RegisterClasses() {
    static const HBRUSH blue = CreateSolidBrush(kBlue);
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kTestClass;
    RegisterClassW(&wc);  // fails harmlessly when registered already
    wc.hbrBackground = blue;
    wc.lpszClassName = kBlueClass;
    RegisterClassW(&wc);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Recorded& r) {
    return out << "{" << r.hwnd << ", 0x" << std::hex << r.message << std::dec << ", " << r.wparam
               << "}";
}

std::vector<Recorded>& Log() {
    static std::vector<Recorded> log;
    return log;
}

int Count(UINT message) {
    return static_cast<int>(Filtered({message}).size());
}

std::vector<Recorded> Filtered(std::initializer_list<UINT> messages) {
    std::vector<Recorded> out;
    for (const Recorded& r : Log()) {
        if (std::find(messages.begin(), messages.end(), r.message) != messages.end())
            out.push_back(r);
    }
    return out;
}

void SetHook(Hook hook) {
    CurrentHook() = std::move(hook);
}

HWND CreateParent() {
    RegisterClasses();
    return CreateWindowExW(0, kTestClass, u"Main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

HWND CreatePopup(HWND owner, int x, int y, int width, int height, LPCWSTR cls) {
    return CreateWindowExW(0, cls, u"Popup", WS_POPUP | WS_VISIBLE, x, y, width, height, owner,
                           nullptr, nullptr, nullptr);
}

HWND CreateChild(HWND parent, int id, int x, int y, int width, int height) {
    return CreateWindowExW(0, kBlueClass, u"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr,
                           nullptr);
}

void FillWindow(HWND window, COLORREF color, const RECT* area) {
    const HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    const HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, area != nullptr ? area : &client, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void Pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunUntil(const std::function<bool()>& done, std::uint64_t limit_ms) {
    // A quit at the limit also ends a modal loop that would never end, so that
    // the test fails rather than hangs.
    auto quit_past = [](std::uint64_t now, void* limit) {
        if (now >= *static_cast<std::uint64_t*>(limit)) PostQuitMessage(1);
    };
    host::SetVirtualClockObserver(quit_past, &limit_ms);
    MSG message{};
    int quit = -1;
    while (!done() && host::NowMs() < limit_ms) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            quit = static_cast<int>(message.wParam);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    host::SetVirtualClockObserver(nullptr, nullptr);
    return quit;
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

COLORREF ScreenAt(int x, int y) {
    return host::ScreenPixels().At(x, y);
}

std::vector<std::uint32_t> Snapshot(const RECT& rect) {
    std::vector<std::uint32_t> pixels;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x)
            pixels.push_back(ScreenAt(x, y));
    }
    return pixels;
}

void Start() {
    host::SetProgramName("probe");
    SetHook(nullptr);
    host::ResetWindowManager();
    host::UseVirtualClock(0);
    Log().clear();
    Script().clear();
    RegisterClasses();
}

void Finish() {
    SetHook(nullptr);
    host::ResetWindowManager();
    Script().clear();
    host::UseRealClock();
}

}  // namespace testwin
