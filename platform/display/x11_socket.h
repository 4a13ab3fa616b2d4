// The socket of the X connection behind SDL's x11 window. Internal to the SDL
// display.
//
// SDL's wait and its event pump each ask Xlib several times whether anything
// has arrived, one system call per question, on every wake-up of the
// program, and most wake-ups are only its timers. Waiting on the socket
// itself lets the pump run only when the server has sent something.
#pragma once

namespace display {

class X11Socket {
  public:
    // display is the connection's Display*. False when libX11's functions
    // cannot be reached; the caller then leaves the waiting to SDL.
    bool Watch(void* display);
    bool Watched() const { return fd_ >= 0; }
    // True when Xlib holds events already, or the socket becomes readable
    // (or fails, or a signal arrives) within timeout_ms; -1 waits without a
    // limit. False when the time passed with nothing to read.
    bool WaitReadable(int timeout_ms) const;

  private:
    using EventsQueued = int (*)(void*, int);
    void* display_ = nullptr;
    EventsQueued events_queued_ = nullptr;
    int fd_ = -1;
};

}  // namespace display
