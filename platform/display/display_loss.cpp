// Ending the program when its display connection is lost.
#include "display/display_loss.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/diagnostics.h"

namespace display {
namespace {

// Prepared when the watch starts, so that ending needs nothing but write(2)
// and _exit(2), both safe wherever the loss is noticed.
char lost_line[160];
std::size_t lost_length = 0;

void PrepareLine(const char* server, const char* name) {
    if (name == nullptr || *name == 0) name = "default";
    const int n = std::snprintf(lost_line, sizeof lost_line,
                                "%s: the connection to the display (%s %s) was lost; "
                                "the program ends\n",
                                kernel::ProgramName(), server, name);
    lost_length = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof lost_line - 1);
    if (lost_length > 0) lost_line[lost_length - 1] = '\n';
}

// The NMEA log is written with write(2) as the bytes are read: nothing of it
// waits in the process, and the kernel closes the file. Static destructors
// would run SDL and Xlib on the dead connection, where Xlib may wait for ever.
[[noreturn]] void EndForLostDisplay() {
    for (std::size_t done = 0; done < lost_length;) {
        const ssize_t n = write(STDERR_FILENO, lost_line + done, lost_length - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    _exit(kDisplayLostStatus);
}

int OnXIoError(void* /*display*/) {
    EndForLostDisplay();
}

// The library SDL already loaded; it stays loaded, and with it the handler
// that was installed in it.
void* OpenLoaded(const char* name) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    return library != nullptr ? library : dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

bool WatchX11Connection(const char** why) {
    void* library = OpenLoaded("libX11.so.6");
    if (library == nullptr) {
        *why = "libX11.so.6 could not be loaded";
        return false;
    }
    using IoErrorHandler = int (*)(void*);
    using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
    auto set_handler = reinterpret_cast<SetIoErrorHandler>(dlsym(library, "XSetIOErrorHandler"));
    if (set_handler == nullptr) {
        *why = "libX11.so.6 has no XSetIOErrorHandler";
        return false;
    }
    PrepareLine("X server", std::getenv("DISPLAY"));
    set_handler(OnXIoError);
    return true;
}

bool WaylandConnection::Watch(void* display, const char** why) {
    void* library = OpenLoaded("libwayland-client.so.0");
    auto get_error = library != nullptr
                         ? reinterpret_cast<GetError>(dlsym(library, "wl_display_get_error"))
                         : nullptr;
    if (display == nullptr || get_error == nullptr) {
        *why = "libwayland-client.so.0 could not be reached";
        return false;
    }
    PrepareLine("Wayland compositor", std::getenv("WAYLAND_DISPLAY"));
    get_error_ = get_error;
    display_ = display;
    return true;
}

void WaylandConnection::EndIfLost() const {
    if (get_error_ != nullptr && get_error_(display_) != 0) EndForLostDisplay();
}

}  // namespace display
