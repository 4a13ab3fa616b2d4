// Host-side controls of the platform layer: the clock, the device screen,
// pictures, synthetic input and the resource set. Used by the platform's own
// program entry, by tools and by tests; application code never includes it.
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
// The source behind "COMn:" (n from 1 to 9): SKYMARK_COMn when set, otherwise
// the n-th host serial device. A source is a device path, tcp://HOST:PORT,
// gpsd://HOST[:PORT][/DEVICE] (localhost and 2947 by default) or
// udp://[ADDRESS][:PORT] (every address and 10110 by default).
// Writes at most capacity bytes including the terminator; returns false when none.
bool PortSource(int port_number, char* source, std::size_t capacity);
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
// The device screen that windows draw on.
inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 294;
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
// Chooses and starts the display as SKYMARK_DISPLAY, DISPLAY and SDL allow;
// says on stderr which one started and why.
DisplayKind StartDisplay();
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

// Supplied by the program (its resources/): the resource set of the program.
const ResourceSet& ProgramResources();

// ---- Command line (platform/entry) ----
// An option that the program reads itself from WinMain's command line. The
// entry checks its value and hands it on as "NAME VALUE"; the options of the
// host (display, scale, snapshot, sources) it applies itself.
struct ProgramOption {
    const char* name;        // with its dashes: "--baud"
    const char* value_name;  // in the usage: "RATE|auto"
    const char* help;        // one line of --help
    bool (*accepts)(const char* value);
};
struct ProgramCommandLine {
    const char* summary;  // what the program does, one line of --help
    const char* version;
    const ProgramOption* options;
    std::size_t option_count;
};
// Supplied by the program: what --help and --version say of it, and its options.
const ProgramCommandLine& ProgramOptions();

// ---- Test support (platform/user) ----
// Destroys every window, timer, queued message and pending input, and unregisters
// every class, so each test starts from an empty window manager.
void ResetWindowManager();
// Dispatches messages (no accelerators) until the clock reaches virtual_ms
// and nothing is left to do at that time; false when WM_QUIT arrived first.
bool RunMessageLoopUntil(std::uint64_t virtual_ms);
// Dispatches messages until WM_QUIT and returns its exit code.
int RunMessageLoopToQuit();

// ==== Diagnostics (platform/kernel) and start-up checks ====

// The platform's one channel for failures the user should know about: writes
// "skymark: " and the printf-style text as one line on stderr. A text already
// said is not said again, so a failure met on every tick shows once. Keeps
// errno. True when the line was written now.
bool Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Forgets what was said, so every text is said again (test support).
void ForgetReports();

// True when the default font loads and has the glyphs the screen needs
// (platform/gdi); without one every text would draw nothing.
bool DefaultFontUsable();

}  // namespace host

// ======== Recording display (platform/user, platform/display) ========
// For tests: a display without a window that hands over every frame it is
// given, so that a test sees what a real display would show and when.
#include <functional>

namespace host {

// One frame as a display receives it. The pixels are the live device screen:
// copy what is needed during the call.
struct Frame {
    std::uint64_t time_ms;  // NowMs() when the frame was presented
    PixelView screen;
    const RECT* changed;  // the parts that changed since the previous frame
    int changed_count;
};
using FrameCallback = std::function<void(const Frame& frame)>;

// Starts the recording display in place of the display in use; StopDisplay
// ends it. Sleep then presents and takes host events as with any display.
void StartRecordingDisplay(FrameCallback on_frame);

}  // namespace host
