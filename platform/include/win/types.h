// Basic types, handles and macros of the Windows CE style programming interface
// that the application is written against. Wide text is UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
// An exported function as GetProcAddressW finds it, to be cast to its own
// type (void (*)() is the type compilers take as "any function").
using FARPROC = void (*)();
using ATOM = WORD;
using COLORREF = DWORD;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Kernel objects (files, serial ports) share one handle type.
using HANDLE = void*;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Opaque handles of the window manager, GDI and resources: never pointers to
// anything, but checked values that name an object (or nothing, once it is
// gone). Pens, brushes and bitmaps are all GDI objects, as on the real
// platform where they convert to HGDIOBJ.
struct WindowObject;
struct DeviceContext;
struct GdiObject;
struct ModuleObject;
struct IconObject;
struct AcceleratorObject;
struct MenuObject;
struct ResourceInfoObject;

using HWND = WindowObject*;
using HDC = DeviceContext*;
using HGDIOBJ = GdiObject*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HINSTANCE = ModuleObject*;
using HMODULE = HINSTANCE;
using HICON = IconObject*;
using HCURSOR = HICON;
using HACCEL = AcceleratorObject*;
using HMENU = MenuObject*;
using HRSRC = ResourceInfoObject*;
using HGLOBAL = void*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr DWORD MAKELONG(WORD low, WORD high) {
    return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return MAKELONG(low, high);
}
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

// Resource ids travel as pointers whose value is below 0x10000.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) {
    return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCWSTR p) {
    return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0;
}
