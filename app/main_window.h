// The main window, its procedure and the About dialog.
#pragma once

#include "win/windows.h"

inline constexpr WORD kWarmCommandId = 34818;
inline constexpr WORD kQuitCommandId = 34819;
inline constexpr WORD kExitCommandId = 40002;
inline constexpr WORD kAboutCommandId = 40003;
inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT_PTR kNoFixTimerId = 2;
inline constexpr UINT kTimerPeriodMs = 1000;
inline constexpr WORD kTitleStringId = 1;
inline constexpr WORD kClassStringId = 3;
inline constexpr WORD kIconId = 101;
inline constexpr WORD kAcceleratorTableId = 3;
inline constexpr WORD kAboutDialogId = 103;

// Registers the main window class; its result is not needed by the caller.
ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className);
// Creates and shows the main window with its buttons and the static screen;
// 1 when the window exists, 0 when it could not be created.
int CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Where the dialog goes: its size centred on the owner's client size, never at
// a negative position.
POINT CenteredDialogPosition(const RECT& ownerClient, const RECT& dialog);
