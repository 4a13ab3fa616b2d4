// Level 20, above the window manager: shared pieces of the built-in controls,
// the command bar, the message box and the dialogs. Internal to the platform
// layer.
#pragma once

#include "win/user.h"

namespace controls {

// Class names of the built-in window classes.
inline constexpr WCHAR kButtonClass[] = u"button";
inline constexpr WCHAR kStaticClass[] = u"static";
inline constexpr WCHAR kCommandBarClass[] = u"commandbar";
inline constexpr WCHAR kMessageBoxClass[] = u"messagebox";
inline constexpr WCHAR kDialogClass[] = u"#32770";

// Colours every built-in control draws with.
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kFace = RGB(192, 192, 192);
inline constexpr COLORREF kCaption = RGB(0, 0, 128);

// The window procedures of the built-in classes.
LRESULT ButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT StaticProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CommandBarProc(HWND bar, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT MessageBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Drawing helpers; each creates and frees its own brush.
void FillSolid(HDC dc, const RECT& rect, COLORREF color);
void FrameSolid(HDC dc, const RECT& rect, COLORREF color);
// Draws text in a colour, transparent background, '&' prefixes removed
// unless no_prefix.
void DrawLabel(HDC dc, LPCWSTR text, int count, RECT rect, UINT format, COLORREF color,
               bool no_prefix);
bool PointInRect(const RECT& rect, int x, int y);
int MouseX(LPARAM lparam);
int MouseY(LPARAM lparam);

// Height of the caption bar of message boxes and dialogs.
int CaptionHeight();

// Caption bar of a popup: title on the left, optional "OK" and close boxes on
// the right. Hit testing returns which box a point falls in.
enum class CaptionBox { kNone, kOk, kClose };
struct CaptionLayout {
    RECT bar;
    RECT ok;     // empty when absent
    RECT close;  // empty when absent
};
CaptionLayout LayoutCaption(int width, bool ok_box, bool close_box);
void PaintCaption(HDC dc, const CaptionLayout& layout, LPCWSTR title, CaptionBox pressed);
CaptionBox HitCaption(const CaptionLayout& layout, int x, int y);

// Static controls made from a dialog template: their style and, for SS_ICON,
// the icon, which cannot travel through the window text.
void ConfigureStatic(HWND control, DWORD style, HICON icon);

// True when window is root or lies below it (children, or popups it owns).
bool IsWithin(HWND window, HWND root);

// Runs a modal message loop until *done is set or the modal window is gone.
// Mouse and key input for windows outside the modal window is dropped; timers
// and paints of every window are dispatched. Enter and Escape key presses, to
// whichever window they go, are handed to on_key. Returns false when WM_QUIT
// arrived (it is posted again for the outer loop).
using ModalKeyHandler = void (*)(HWND modal, WORD virtual_key, void* context);
bool RunModalLoop(HWND modal, const bool* done, ModalKeyHandler on_key, void* context);

}  // namespace controls
