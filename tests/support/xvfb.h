// A private Xvfb on a display number it picks itself and writes to its output
// once it accepts clients.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace test_support {

struct Xvfb {
    Xvfb() : Xvfb("") {}
    // With a folder, the server keeps its screen there as an XWD file,
    // Xvfb_screen0, which anyone may read: the pixels a user would see.
    explicit Xvfb(const std::string& framebufferDir)
        : child(Spawn(Arguments(framebufferDir))),
          number(child.out >= 0 ? ReadFirstLine(child.out) : "") {}
    ~Xvfb() { Stop(SIGKILL); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    void Stop(int signal = SIGTERM) {
        if (child.pid > 0) test_support::Stop(child.pid, signal);
        if (child.out >= 0) close(child.out);
        child = Child{};
    }

    Child child;
    std::string number;

  private:
    static std::vector<std::string> Arguments(const std::string& framebufferDir) {
        std::vector<std::string> args = {"/usr/bin/Xvfb", "-displayfd", "1",  "-screen", "0",
                                         "800x700x24",    "-nolisten",  "tcp"};
        if (!framebufferDir.empty()) {
            args.push_back("-fbdir");
            args.push_back(framebufferDir);
        }
        return args;
    }
};

// Runs xdotool against the display; its output, or "" when it failed.
inline std::string Xdotool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const Child tool = Spawn(argv, {"DISPLAY=:" + display});
    std::string output = ReadAll(tool.out);
    close(tool.out);
    return WaitExit(tool.pid) == 0 ? output : "";
}

// The id of the first window of that name, waiting 10 s at most; "" if none.
inline std::string AwaitWindow(const std::string& display, const std::string& name) {
    for (int i = 0; i < 100; ++i) {
        const std::string found = Xdotool(display, {"search", "--name", name});
        if (!found.empty()) return found.substr(0, found.find('\n'));
        usleep(100 * 1000);
    }
    return "";
}

}  // namespace test_support
