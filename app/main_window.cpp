#include "app/main_window.h"

#include <cstdint>

#include "app/app_state.h"
#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "serial/serial_state.h"
#include "serial/tick.h"
#include "serial/update_cycle.h"

namespace {

constexpr int kTextBufferChars = 100;
constexpr int kButtonX = 250;
constexpr int kWarmButtonY = 25;
constexpr int kLogButtonY = 55;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 30;
constexpr int kCommandBarId = 1;

HMENU ControlId(WORD id) {
    return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id));
}

void ShowAboutDialog(HWND window) {
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(kAboutDialogId), RT_DIALOG());
    HGLOBAL loaded = LoadResource(AppInstance, found);
    DialogBoxIndirectParamW(AppInstance, static_cast<const DLGTEMPLATE*>(loaded), window,
                            AboutDialogProc, 0);
}

void CountSecondWithoutFix() {
    // Signed, so the 0 that stands before the first GSA counts as no fix. The
    // count stops rather than wraps after 68 years.
    if (Nav.fixType <= 1 && Nav.noFixSeconds < INT32_MAX) ++Nav.noFixSeconds;
}

}  // namespace

ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
    WCHAR className[kTextBufferChars] = {};
    WCHAR title[kTextBufferChars] = {};

    AppInstance = instance;
    LoadStringW(instance, kClassStringId, className, kTextBufferChars);
    RegisterMainClass(instance, className);
    LoadStringW(instance, kTitleStringId, title, kTextBufferChars);

    HWND window =
        CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;

    CreateWindowExW(0, u"button", u"Warm", WS_CHILD | WS_VISIBLE, kButtonX, kWarmButtonY,
                    kButtonWidth, kButtonHeight, window, ControlId(kWarmCommandId), AppInstance,
                    nullptr);
    LogButton = CreateWindowExW(0, u"button", u"Log", WS_CHILD | WS_VISIBLE, kButtonX, kLogButtonY,
                                kButtonWidth, kButtonHeight, window, ControlId(kLogCommandId),
                                AppInstance, nullptr);
    LoggingEnabled = 0;
    CreateDrawingResources(window);

    ShowWindow(window, showCommand);
    UpdateWindow(window);
    if (CommandBar != nullptr) CommandBar_Show(CommandBar, TRUE);

    // After the first paint, whose erase would otherwise wipe the labels.
    HDC dc = GetDC(window);
    DrawStaticScreen(dc);
    ReleaseDC(window, dc);
    return 1;
}

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CommandBar = CommandBar_Create(AppInstance, window, kCommandBarId);
            CommandBar_AddAdornments(CommandBar, 0, 0);
            Nav.noFixSeconds = 0;
            TickTimer = SetTimer(window, kTickTimerId, kTimerPeriodMs, nullptr);
            NoFixTimer = SetTimer(window, kNoFixTimerId, kTimerPeriodMs, nullptr);
            return 0;

        case WM_DESTROY:
            DestroyWindow(CommandBar);
            PostQuitMessage(0);
            return 0;

        case WM_KILLFOCUS:
            ExitRequested = 1;
            DestroyWindow(window);
            return 0;

        case WM_PAINT: {
            // Everything is drawn straight to the window as it changes; a
            // paint draws again what a closed box or another window covered.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (dc != nullptr) RepaintScreen(dc);
            EndPaint(window, &paint);
            return 0;
        }

        case WM_CLOSE:
            // The next tick, brought forward, shuts the port down in order and
            // destroys the window.
            RequestExit(window);
            return 0;

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kQuitCommandId:
                case kExitCommandId:
                    DestroyWindow(window);
                    return 0;
                case kLogCommandId:
                    ToggleLogging(window);
                    return 0;
                case kAboutCommandId:
                    ShowAboutDialog(window);
                    return 0;
                default:
                    return DefWindowProcW(window, message, wParam, lParam);
            }

        case WM_TIMER:
            if (wParam == kTickTimerId) {
                TickTimerTick(window);
            } else if (wParam == kNoFixTimerId) {
                CountSecondWithoutFix();
            }
            return 0;

        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

POINT CenteredDialogPosition(const RECT& ownerClient, const RECT& dialog) {
    // Widened so that no rectangle can overflow the subtraction; the quotient
    // truncates toward zero as the 32-bit division would.
    const std::int64_t ownerWidth = std::int64_t{ownerClient.right} - ownerClient.left;
    const std::int64_t ownerHeight = std::int64_t{ownerClient.bottom} - ownerClient.top;
    const std::int64_t dialogWidth = std::int64_t{dialog.right} - dialog.left;
    const std::int64_t dialogHeight = std::int64_t{dialog.bottom} - dialog.top;
    auto clamp = [](std::int64_t v) -> LONG {
        if (v < 0) return 0;
        if (v > INT32_MAX) return INT32_MAX;
        return static_cast<LONG>(v);
    };
    return POINT{clamp((ownerWidth - dialogWidth) / 2), clamp((ownerHeight - dialogHeight) / 2)};
}

BOOL AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG: {
            RECT dialogRect{};
            if (!GetWindowRect(dialog, &dialogRect)) return TRUE;
            RECT ownerClient{};
            GetClientRect(GetParent(dialog), &ownerClient);
            const POINT at = CenteredDialogPosition(ownerClient, dialogRect);
            SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            // TRUE lets the platform set the initial focus.
            return TRUE;
        }
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (id == IDOK || id == IDCANCEL) {
                EndDialog(dialog, id);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}
