// Host-side controls of the platform layer: the clock, the port map, the
// device screen, pictures, synthetic input, the display, the resource set and
// the diagnostics channel. Used by a program's main, by tools and by tests;
// code written against the Windows CE style interface never includes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win/types.h"

namespace host {

// ---- Clock (platform/kernel) ----
// Milliseconds from the monotonic clock, or from the virtual clock when active.
std::uint64_t NowMs();
// Switches to a virtual clock starting at start_ms: Sleep and every wait of the
// message loop advance it at once instead of blocking.
void UseVirtualClock(std::uint64_t start_ms = 0);
void UseRealClock();
bool VirtualClockActive();
void AdvanceVirtualClock(std::uint64_t ms);
// Called after each advance of the virtual clock (tests use it to make a fake
// receiver send bytes at a given time). Pass nullptr to remove.
using ClockObserver = void (*)(std::uint64_t now_ms, void* context);
void SetVirtualClockObserver(ClockObserver observer, void* context);

// ---- Port map (platform/kernel) ----
// The source behind "COMn:" (n from 1 to 9): the one the program gave it,
// otherwise the n-th host serial device. A source is a device path,
// tcp://HOST:PORT, gpsd://HOST[:PORT][/DEVICE] (localhost and 2947 by default)
// or udp://[ADDRESS][:PORT] (every address and 10110 by default).
// Writes at most capacity bytes including the terminator; returns false when none.
bool PortSource(int port_number, char* source, std::size_t capacity);
// Gives "COMn:" the source (copied; checked only when the port is opened). An
// empty source leads nowhere, which keeps the host's own devices out of the
// picture; nullptr gives the port back to the n-th host device. False for a
// port number out of range.
bool SetPortSource(int port_number, const char* source);
// Null when the text is a source as above, otherwise why it is not.
const char* SourceProblem(const char* text);

// ---- Pixels (platform/gdi) ----
// Pixels are COLORREF values (0x00BBGGRR), row by row.
struct PixelView {
    std::uint32_t* pixels;
    int width;
    int height;
    int stride;  // in pixels
    std::uint32_t At(int x, int y) const { return pixels[y * stride + x]; }
};
PixelView BitmapPixels(HBITMAP bitmap);
// The pixels a memory device context draws on (its selected bitmap).
PixelView DcPixels(HDC dc);
// The device screen that windows draw on, white at first. Its size is the
// program's to give, before the first window or device context; until then
// it has no pixels. False, changing nothing, for a side outside 1 to 4096.
bool SetScreenSize(int width, int height);
PixelView ScreenPixels();
// Writes the pixels as an 8-bit RGB PNG, fast rather than small; false on any
// failure, with errno telling why.
bool WritePng(const PixelView& pixels, const char* path);

// ---- Synthetic input (platform/user) ----
// Queued like host input; GetMessageW turns them into window messages.
void InjectMouseButton(int screen_x, int screen_y, bool down);
void InjectKey(WORD virtual_key, char16_t character, bool alt, bool down);
// The host window's close control: WM_CLOSE to the main window.
void InjectHostClose();
// The host took the focus from the program (its window was minimised).
void InjectFocusLost();

// ---- Display (platform/user, platform/display) ----
enum class DisplayKind { kHeadless, kSdl };
// What the program asks of the display.
struct DisplayChoice {
    enum class Mode {
        kAuto,      // a window where DISPLAY or WAYLAND_DISPLAY names a display SDL can reach
        kHeadless,  // no window
        kSdl,       // a window, even without DISPLAY or WAYLAND_DISPLAY
    };
    Mode mode = Mode::kAuto;
    const char* why = nullptr;       // what chose kHeadless or kSdl, said on stderr
    int scale = 1;                   // the window shows each screen pixel this many times, 1 to 8
    const char* snapshot = nullptr;  // headless: a PNG file of the screen to keep (copied)
    LPCWSTR title = nullptr;         // the host window's title (copied)
};
// Chooses and starts the display as the choice, DISPLAY and SDL allow; says on
// stderr which one started and why.
DisplayKind StartDisplay(const DisplayChoice& choice);
void StopDisplay();

// ---- Resources (platform/user) ----
// One compiled-in resource: its type and id as the platform numbers them and
// its bytes in the platform's binary layout.
struct ResourceItem {
    WORD type;
    WORD id;
    WORD language;
    const void* data;
    DWORD size;
};
struct ResourceSet {
    const ResourceItem* items;
    std::size_t count;
};
// An instance handle whose resources are the given set (kept by reference).
HINSTANCE CreateInstance(const ResourceSet& resources);

// ==== Diagnostics (platform/kernel) and start-up checks ====

// The name each line starts with, "NAME: " (copied, at most 63 bytes); until
// it is set, the name the program was started under.
void SetProgramName(const char* name);
// The platform's one channel for failures the user should know about: writes
// the program's name and the printf-style text as one line on stderr. A text
// already said is not said again, so a failure met on every tick shows once.
// Keeps errno. True when the line was written now.
bool Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when the default font loads and has the glyphs the screen needs
// (platform/gdi); without one every text would draw nothing.
bool DefaultFontUsable();

}  // namespace host
