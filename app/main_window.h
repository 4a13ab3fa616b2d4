// The main window, its procedure and the About dialog.
#pragma once

#include "resources/resource_ids.h"
#include "win/windows.h"

inline constexpr UINT kTimerPeriodMs = 1000;

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
