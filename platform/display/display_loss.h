// A display connection that is lost ends the program at once: one line on
// stderr and a non-zero status, without static destructors or display code,
// which would only talk to the dead connection. Internal to the SDL display.
#pragma once

namespace display {

// The exit status of a program whose display connection was lost.
inline constexpr int kDisplayLostStatus = 3;

// Watches the X connection that SDL's x11 driver opened: Xlib's I/O error
// handler (whose default calls exit) is replaced by one that ends the program
// at once. False, with the reason in *why, when libX11 cannot be reached.
bool WatchX11Connection(const char** why);

// A Wayland connection, watched by asking libwayland whether it has failed.
class WaylandConnection {
  public:
    // display is the connection's wl_display. False, with the reason in *why,
    // when libwayland-client cannot be reached.
    bool Watch(void* display, const char** why);
    // Ends the program when the connection has failed; returns otherwise.
    void EndIfLost() const;

  private:
    using GetError = int (*)(void*);
    GetError get_error_ = nullptr;
    void* display_ = nullptr;
};

}  // namespace display
