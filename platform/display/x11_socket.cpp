#include "display/x11_socket.h"

#include <dlfcn.h>
#include <poll.h>

namespace display {

bool X11Socket::Watch(void* display) {
    // Already loaded by SDL's x11 driver; this only finds it.
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (library == nullptr || display == nullptr) return false;
    using ConnectionNumber = int (*)(void*);
    auto connection_number =
        reinterpret_cast<ConnectionNumber>(dlsym(library, "XConnectionNumber"));
    auto events_queued = reinterpret_cast<EventsQueued>(dlsym(library, "XEventsQueued"));
    if (connection_number == nullptr || events_queued == nullptr) return false;
    const int fd = connection_number(display);
    if (fd < 0) return false;
    display_ = display;
    events_queued_ = events_queued;
    fd_ = fd;
    return true;
}

bool X11Socket::WaitReadable(int timeout_ms) const {
    // QueuedAlready: what Xlib has read and not handed out, without asking
    // the socket.
    constexpr int kQueuedAlready = 0;
    if (events_queued_(display_, kQueuedAlready) > 0) return true;
    pollfd p{fd_, POLLIN, 0};
    // An interrupted wait counts as readable: the pump that follows turns a
    // termination signal into SDL's quit event.
    return poll(&p, 1, timeout_ms) != 0;
}

}  // namespace display
