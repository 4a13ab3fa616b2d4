// Test support for programs on the platform: an empty window manager for each
// test, message loops that run on the virtual clock, diagnostics said again, a
// display that hands every frame to the test, and a device context on the
// whole device screen. Tests and benchmarks link it; programs never do.
#pragma once

#include <cstdint>
#include <functional>

#include "host/host.h"

namespace host {

// Destroys every window, timer, queued message and pending input, and unregisters
// every class, so each test starts from an empty window manager.
void ResetWindowManager();
// Dispatches messages (no accelerators) until the clock reaches virtual_ms
// and nothing is left to do at that time; false when WM_QUIT arrived first.
bool RunMessageLoopUntil(std::uint64_t virtual_ms);
// Dispatches messages until WM_QUIT and returns its exit code.
int RunMessageLoopToQuit();

// Forgets what Report said, so every text is said again.
void ForgetReports();

// A device context on the whole device screen, with the defaults of a fresh
// window DC, for drawing without a window; DeleteScreenDc frees it.
HDC CreateScreenDc();
void DeleteScreenDc(HDC dc);

// ---- Recording display ----
// A display without a window that hands over every frame it is given, so that
// a test sees what a real display would show and when.

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
