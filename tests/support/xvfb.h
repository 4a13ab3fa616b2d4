// A private Xvfb on a display number it picks itself and writes to its output
// once it accepts clients.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <string>

#include "tests/support/child_process.h"

namespace test_support {

struct Xvfb {
    Child child = Spawn(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "800x700x24", "-nolisten", "tcp"});
    std::string number = child.out >= 0 ? ReadFirstLine(child.out) : "";

    ~Xvfb() { Stop(SIGKILL); }
    void Stop(int signal = SIGTERM) {
        if (child.pid > 0) test_support::Stop(child.pid, signal);
        if (child.out >= 0) close(child.out);
        child = Child{};
    }
};

}  // namespace test_support
