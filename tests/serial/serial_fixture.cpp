#include "serial_fixture.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "resources/resource_ids.h"
#include "screen/drawing_resources.h"
#include "serial/port_search.h"
#include "serial/serial_state.h"
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

constexpr int kLogButtonX = 250;
constexpr int kLogButtonY = 55;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 30;
constexpr int kStatusTop = 195;  // a little margin around the status line
constexpr int kStatusBottom = 220;
constexpr std::uint32_t kKeyColour = 0x123456;

// A stand-in for the frame's window procedure: the serial input's two entry points and the
// exit flag, nothing else.
LRESULT TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (wparam == kTickTimerId) {
                TickRecord record{host::NowMs(), 0, u""};
                Seen.inTick = true;
                TickTimerTick(window);
                Seen.inTick = false;
                record.end = host::NowMs();
                record.caption = LogButtonText();
                Seen.ticks.push_back(record);
            }
            return 0;
        case WM_COMMAND:
            if (LOWORD(wparam) == kLogCommandId) {
                Seen.inLogCommand = true;
                ToggleLogging(window);
                Seen.inLogCommand = false;
                ++Seen.logCommandsDone;
                return 0;
            }
            break;
        case WM_CLOSE:
            ExitRequested = 1;
            return 0;
        case WM_DESTROY:
            Seen.destroyed = true;
            Seen.destroyedAt = host::NowMs();
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// The pixels a status text paints on the status line, and their colours.
struct Print {
    std::vector<int> x, y;
    std::vector<std::uint32_t> colour;
};

std::map<std::string, Print>& Prints() {
    static std::map<std::string, Print> prints;
    return prints;
}

// Each status text's format and the name tests know it by, in StatusText order.
const struct {
    const char16_t* format;
    const char* name;
} kStatusTexts[] = {
    {u"Read Com%x     ", "Read Com"},         {u"Detect Data Com%x     ", "Detect Data Com"},
    {u"Com%x Not Read     ", "Not Read Com"}, {u"Search end           ", "Search end"},
    {u"Search Com Port", "Search Com Port"},  {u"Wait Close          ", "Wait Close"}};

std::string Name(StatusText text, int port) {
    std::string name = kStatusTexts[text].name;
    if (port != 0) name += std::to_string(port);
    return name;
}

// Draws into a bitmap filled with a key colour; whatever is not the key colour afterwards is
// what the drawing paints. Only rows top to bottom are kept.
template <typename Draw>
Print MakePrint(HWND window, int top, int bottom, Draw draw) {
    Print print;
    HDC windowDc = GetDC(window);
    HDC dc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, host::kScreenWidth, host::kScreenHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(kKeyColour);
    RECT all{0, 0, host::kScreenWidth, host::kScreenHeight};
    FillRect(dc, &all, key);
    draw(dc);
    host::PixelView view = host::DcPixels(dc);
    for (int y = top; y < bottom && y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            if (view.At(x, y) == kKeyColour) continue;
            print.x.push_back(x);
            print.y.push_back(y);
            print.colour.push_back(view.At(x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(key);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, windowDc);
    return print;
}

Print MakeStatusPrint(HWND window, StatusText text, int port) {
    return MakePrint(window, kStatusTop, kStatusBottom, [&](HDC dc) {
        WCHAR buffer[64];
        wsprintfW(buffer, kStatusTexts[text].format, port);
        DrawTextInRect(dc, 5, 320, 200, 215, buffer);
    });
}

void MakePrints(HWND window) {
    if (!Prints().empty()) return;
    for (int port = 1; port <= 9; ++port) {
        for (StatusText text : {kReadCom, kDetectData, kNotRead}) {
            Prints()[Name(text, port)] = MakeStatusPrint(window, text, port);
        }
    }
    for (StatusText text : {kSearchEnd, kSearchComPort, kWaitClose}) {
        Prints()[Name(text, 0)] = MakeStatusPrint(window, text, 0);
    }
}

bool ScreenMatches(const Print& print) {
    if (print.x.empty()) return false;
    host::PixelView screen = host::ScreenPixels();
    for (std::size_t i = 0; i < print.x.size(); ++i) {
        if (screen.At(print.x[i], print.y[i]) != print.colour[i]) return false;
    }
    return true;
}

}  // namespace

void SerialFixture::SetUp() {
    HeadlessProgramTest::SetUp();
    Seen = WindowEvents{};
    // The host's own serial devices are never touched.
    for (int port = 1; port <= 9; ++port) {
        test_support::MapComPort(port, dir_.Path() + "/no-such-port-" + std::to_string(port));
    }
    host::SetVirtualClockObserver(&SerialFixture::ClockTrampoline, this);
}

void SerialFixture::TearDown() {
    HeadlessProgramTest::TearDown();
    for (auto& pty : ptys_)
        pty.reset();
}

void SerialFixture::ClockTrampoline(std::uint64_t now_ms, void* context) {
    auto* self = static_cast<SerialFixture*>(context);
    if (self->observer_) self->observer_(now_ms);
}

PtyPair& SerialFixture::AttachReceiver(int port) {
    ptys_[port] = std::make_unique<PtyPair>();
    EXPECT_TRUE(ptys_[port]->Ok());
    ptys_[port]->AddAsComPort(port);
    return *ptys_[port];
}

PtyPair& SerialFixture::AttachTalkingReceiver(int port) {
    PtyPair& pty = AttachReceiver(port);
    Talk(pty);
    return pty;
}

HWND SerialFixture::CreateMainWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = u"SerialTestMain";
    RegisterClassW(&windowClass);
    window_ =
        CreateWindowExW(0, u"SerialTestMain", u"Serial", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    LogButton = CreateWindowExW(0, u"button", u"Log", WS_CHILD | WS_VISIBLE, kLogButtonX,
                                kLogButtonY, kButtonWidth, kButtonHeight, window_,
                                reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kLogCommandId)),
                                nullptr, nullptr);
    // Drawing resources live for the whole process, as in the program.
    static bool resourcesMade = false;
    if (!resourcesMade) {
        CreateDrawingResources(window_);
        resourcesMade = true;
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    MakePrints(window_);
    TickTimer = SetTimer(window_, kTickTimerId, 1000, nullptr);
    NoFixTimer = SetTimer(window_, kNoFixTimerId, 1000, nullptr);
    return window_;
}

bool SerialFixture::RunUntil(std::uint64_t ms) {
    if (Seen.destroyed) return false;
    return host::RunMessageLoopUntil(ms);
}

void SerialFixture::RunToQuit(std::uint64_t limit_ms) {
    RunUntil(limit_ms);
    ASSERT_TRUE(Seen.destroyed) << "window still alive at " << host::NowMs();
}

void SerialFixture::ClickLog() {
    const int x = kLogButtonX + kButtonWidth / 2;
    const int y = kLogButtonY + kButtonHeight / 2;
    host::InjectMouseButton(x, y, true);
    host::InjectMouseButton(x, y, false);
}

void SerialFixture::PressEnter() {
    host::InjectKey(VK_RETURN, u'\r', false, true);
    host::InjectKey(VK_RETURN, u'\r', false, false);
}

std::vector<std::uint32_t> SerialFixture::ScreenSnapshot() {
    const host::PixelView view = host::ScreenPixels();
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x)
            pixels.push_back(view.At(x, y));
    }
    return pixels;
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
               << "differs at " << i % host::kScreenWidth << "," << i / host::kScreenWidth;
    }
    return ::testing::AssertionSuccess();
}

bool SerialFixture::StatusShows(StatusText text, int port) {
    return ScreenMatches(Prints().at(Name(text, port)));
}

bool SerialFixture::ScreenShowsText(const std::u16string& text, RECT rect, UINT format) {
    return ScreenMatches(MakePrint(window_, rect.top, rect.bottom, [&](HDC dc) {
        RECT box = rect;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
    }));
}

std::string SerialFixture::StatusName() {
    for (const auto& [name, print] : Prints()) {
        if (ScreenMatches(print)) return name;
    }
    return "";
}

bool SerialFixture::PortIsFree(int port) {
    const WCHAR name[] = {u'C', u'O', u'M', static_cast<WCHAR>(u'0' + port), u':', 0};
    HANDLE handle =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

std::string SerialFixture::LogPath() const {
    return dir_.File("NMEADataLog.TXT");
}

std::string SerialFixture::ReadLog() const {
    return test_support::ReadWholeFile(LogPath());
}

bool SerialFixture::LogExists() const {
    struct stat info {};
    return stat(LogPath().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace serial_test
