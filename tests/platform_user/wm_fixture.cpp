#include "wm_fixture.h"

#include <sstream>

namespace wmtest {

namespace {

Hook& CurrentHook() {
    static Hook hook;
    return hook;
}

HBRUSH BlueBrush() {
    static HBRUSH brush = CreateSolidBrush(kBlue);
    return brush;
}

LRESULT RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Log().push_back(Record{window, message, wparam});
    if (CurrentHook()) {
        LRESULT result = 0;
        if (CurrentHook()(window, message, wparam, lparam, &result)) return result;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void RegisterTestClasses() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kTestClass;
    ASSERT_NE(RegisterClassW(&wc), 0);
    wc.hbrBackground = BlueBrush();
    wc.lpszClassName = kBlueClass;
    ASSERT_NE(RegisterClassW(&wc), 0);
}

}  // namespace

std::vector<Record>& Log() {
    static std::vector<Record> log;
    return log;
}

std::vector<Record> Filtered(std::initializer_list<UINT> messages) {
    std::vector<Record> out;
    for (const Record& r : Log()) {
        for (UINT m : messages) {
            if (r.message == m) out.push_back(r);
        }
    }
    return out;
}

std::string Describe(const std::vector<Record>& records) {
    std::ostringstream out;
    for (const Record& r : records) {
        out << "{" << r.window << ", 0x" << std::hex << r.message << std::dec << ", " << r.wparam
            << "} ";
    }
    return out.str();
}

void SetHook(Hook hook) {
    CurrentHook() = std::move(hook);
}

HWND CreateMain() {
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
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, area != nullptr ? area : &client, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

COLORREF ScreenAt(int x, int y) {
    return host::ScreenPixels().At(x, y) & 0xFFFFFF;
}

void WmTest::Restart() {
    host::UseVirtualClock(0);
    host::ResetWindowManager();
    Log().clear();
    SetHook(nullptr);
    RegisterTestClasses();
}

void WmTest::TearDown() {
    SetHook(nullptr);
    host::ResetWindowManager();
    host::UseRealClock();
}

}  // namespace wmtest
