#include "serial_fixture.h"

#include <map>

#include "resources/resource_ids.h"
#include "screen/drawing_resources.h"
#include "serial/serial_state.h"
#include "serial/tick.h"
#include "serial/update_cycle.h"

namespace serial_test {

WindowEvents Seen;

std::u16string LogButtonText() {
    WCHAR text[32] = {};
    if (LogButton == nullptr || !IsWindow(LogButton)) return u"";
    GetWindowTextW(LogButton, text, 32);
    return text;
}

namespace {

constexpr RECT kLogButton{250, 55, 310, 85};
constexpr std::uint32_t kKeyColour = 0x123456;

// A stand-in for the frame's window procedure: the serial input's two entry points and the
// exit flag, nothing else.
LRESULT TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kTickTimerId) {
        const std::uint64_t start = host::NowMs();
        if (Seen.beforeTick) Seen.beforeTick();
        Seen.inTick = true;
        TickTimerTick(window);
        Seen.inTick = false;
        Seen.ticks.push_back({start, host::NowMs(), LogButtonText()});
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == kLogCommandId) {
        Seen.inLogCommand = true;
        ToggleLogging(window);
        Seen.inLogCommand = false;
        return 0;
    }
    if (message == WM_CLOSE) {
        RequestExit(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        Seen.destroyedAt = host::NowMs();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The pixels a text paints in its rectangle's rows, and their colours.
struct Ink {
    int x, y;
    std::uint32_t colour;
};
using Print = std::vector<Ink>;

// Draws into a bitmap filled with a key colour: whatever is not the key colour afterwards is
// what the text paints. Each text is looked for in one place, so its print is kept.
const Print& PrintOf(HWND window, const std::u16string& text, RECT rect) {
    static std::map<std::u16string, Print> prints;
    auto [at, made] = prints.try_emplace(text);
    if (!made) return at->second;
    HDC windowDc = GetDC(window);
    HDC dc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, kScreenWidth, kScreenHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(kKeyColour);
    RECT all{0, 0, kScreenWidth, kScreenHeight};
    FillRect(dc, &all, key);
    RECT box = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_SINGLELINE);
    const host::PixelView view = host::DcPixels(dc);
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = 0; x < view.width; ++x) {
            if (view.At(x, y) != kKeyColour) at->second.push_back({x, y, view.At(x, y)});
        }
    }
    SelectObject(dc, old);
    DeleteObject(key);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, windowDc);
    return at->second;
}

// The search's and the shutdown's status texts, as drawn.
const std::vector<std::u16string>& StatusTexts() {
    static const std::vector<std::u16string> texts = [] {
        std::vector<std::u16string> all = {u"Search end", u"Search Com Port", u"Wait Close"};
        for (const char16_t* format : {u"Read Com%x", u"Detect Data Com%x", u"Com%x Not Read"}) {
            for (int port = 1; port <= kComPortCount; ++port) {
                WCHAR text[32];
                wsprintfW(text, format, port);
                all.push_back(text);
            }
        }
        return all;
    }();
    return texts;
}

}  // namespace

void SerialFixture::SetUp() {
    HeadlessProgramTest::SetUp();
    Seen = WindowEvents{};
    // The host's own serial devices are never touched.
    for (int port = 1; port <= kComPortCount; ++port) {
        test_support::MapComPort(port, dir_.File("no-such-port-" + std::to_string(port)));
    }
    host::SetVirtualClockObserver(
        [](std::uint64_t now, void* self) {
            auto& observer = static_cast<SerialFixture*>(self)->observer_;
            if (observer) observer(now);
        },
        this);
}

PtyPair& SerialFixture::AttachReceiver(int port, bool talking) {
    ptys_[port] = std::make_unique<PtyPair>();
    EXPECT_TRUE(ptys_[port]->Ok());
    test_support::MapComPort(port, ptys_[port]->SlavePath());
    if (talking) Talk(*ptys_[port]);
    return *ptys_[port];
}

void SerialFixture::CreateMainWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = u"SerialTestMain";
    RegisterClassW(&windowClass);
    window_ =
        CreateWindowExW(0, u"SerialTestMain", u"Serial", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    LogButton = CreateWindowExW(
        0, u"button", u"Log", WS_CHILD | WS_VISIBLE, kLogButton.left, kLogButton.top,
        kLogButton.right - kLogButton.left, kLogButton.bottom - kLogButton.top, window_,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kLogCommandId)), nullptr, nullptr);
    // Drawing resources live for the whole process, as in the program.
    static const bool resourcesMade = (CreateDrawingResources(window_), true);
    (void)resourcesMade;
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    TickTimer = SetTimer(window_, kTickTimerId, 1000, nullptr);
    NoFixTimer = SetTimer(window_, kNoFixTimerId, 1000, nullptr);
}

bool SerialFixture::RunUntil(std::uint64_t ms) {
    return Seen.destroyedAt == 0 && host::RunMessageLoopUntil(ms);
}

void SerialFixture::RunToQuit(std::uint64_t limit_ms) {
    RunUntil(limit_ms);
    ASSERT_NE(Seen.destroyedAt, 0u) << "window still alive at " << host::NowMs();
}

void SerialFixture::ClickLog() {
    const int x = (kLogButton.left + kLogButton.right) / 2;
    const int y = (kLogButton.top + kLogButton.bottom) / 2;
    host::InjectMouseButton(x, y, true);
    host::InjectMouseButton(x, y, false);
}

void SerialFixture::PressEnter() {
    host::InjectKey(VK_RETURN, u'\r', false, true);
    host::InjectKey(VK_RETURN, u'\r', false, false);
}

std::vector<std::uint32_t> SerialFixture::ScreenSnapshot() {
    const host::PixelView view = host::ScreenPixels();
    return {view.pixels, view.pixels + view.stride * view.height};
}

::testing::AssertionResult SerialFixture::ShowsMessageBox(const std::vector<std::uint32_t>& shot,
                                                          const char16_t* text) {
    KillTimer(window_, TickTimer);
    KillTimer(window_, NoFixTimer);
    SetTimer(window_, 9, 50, nullptr);  // keeps the clock moving under the box
    const std::vector<std::uint32_t> without = ScreenSnapshot();
    std::vector<std::uint32_t> with;
    OnClock([&](std::uint64_t) {
        if (!with.empty()) return;
        with = ScreenSnapshot();
        PressEnter();
    });
    MessageBoxW(window_, text, text, MB_OK);
    OnClock(nullptr);
    if (with.size() != shot.size()) return ::testing::AssertionFailure() << "no box to compare";
    for (std::size_t i = 0; i < with.size(); ++i) {
        if (with[i] == without[i] || shot[i] == with[i]) continue;
        return ::testing::AssertionFailure()
               << "differs at " << i % kScreenWidth << "," << i / kScreenWidth;
    }
    return ::testing::AssertionSuccess();
}

bool SerialFixture::ScreenShows(const std::u16string& text, RECT rect,
                                const host::PixelView& screen) {
    const Print& print = PrintOf(window_, text, rect);
    for (const Ink& ink : print) {
        if (screen.At(ink.x, ink.y) != ink.colour) return false;
    }
    return !print.empty();
}

bool SerialFixture::StatusLineShowsOnly(const std::u16string& text, const host::PixelView& screen) {
    if (!ScreenShows(text, kStatusLineArea, screen)) return false;
    std::vector<bool> inked(static_cast<std::size_t>(screen.width) * screen.height);
    for (const Ink& ink : PrintOf(window_, text, kStatusLineArea))
        inked[static_cast<std::size_t>(ink.y) * screen.width + ink.x] = true;
    for (int y = kStatusLineArea.top; y < kStatusLineArea.bottom; ++y) {
        for (int x = kStatusLineArea.left; x < kStatusLineArea.right; ++x) {
            if (!inked[static_cast<std::size_t>(y) * screen.width + x] &&
                screen.At(x, y) != 0xFFFFFF) {
                return false;
            }
        }
    }
    return true;
}

std::string SerialFixture::StatusName(const host::PixelView& screen) {
    for (const std::u16string& text : StatusTexts()) {
        if (!StatusLineShowsOnly(text, screen)) continue;
        return std::string(text.begin(), text.end());
    }
    return "";
}

}  // namespace serial_test
