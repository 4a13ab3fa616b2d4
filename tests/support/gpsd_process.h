// A real gpsd from Debian's package for the tests: started as a child of the test on a private
// port with the test's own devices (pseudo-terminals), never the system's service; and a client
// that watches it as gpsd's own tools do.
#pragma once

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/tcp_server.h"

namespace test_support {

inline constexpr char kGpsdProgram[] = "/usr/sbin/gpsd";
inline constexpr char kGpsfakeProgram[] = "/usr/bin/gpsfake";
inline constexpr char kGpspipeProgram[] = "/usr/bin/gpspipe";

inline bool GpsdInstalled() {
    return access(kGpsdProgram, X_OK) == 0;
}

// Connects to 127.0.0.1:port; -1 when nothing listens there.
inline int ConnectLocal(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class GpsdProcess {
  public:
    GpsdProcess() = default;
    GpsdProcess(const GpsdProcess&) = delete;
    GpsdProcess& operator=(const GpsdProcess&) = delete;
    ~GpsdProcess() { Kill(); }

    // Starts gpsd in the foreground (-N), opening the devices at once (-n), on port (a free one
    // when 0), with its control socket at controlSocket and any further options; true once it
    // listens. What it says goes to the file log; by default nowhere, since its complaints (no
    // system bus) are not the test's business.
    bool Start(const std::vector<std::string>& devices, const std::string& controlSocket,
               int port = 0, const std::vector<std::string>& options = {},
               const std::string& log = "/dev/null") {
        Kill();
        port_ = port != 0 ? port : UnusedPort();
        std::vector<std::string> args = {"/bin/sh", "-c",
                                         "log=$0; exec \"$@\" >/dev/null 2>\"$log\"",
                                         log, kGpsdProgram};
        args.insert(args.end(), {"-N", "-n", "-S", std::to_string(port_), "-F", controlSocket});
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), devices.begin(), devices.end());
        pid_ = Spawn(args, {}, "", false).pid;
        for (int i = 0; i < 500 && pid_ > 0; ++i) {
            const int fd = ConnectLocal(port_);
            if (fd >= 0) {
                close(fd);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Ends it at once, as a crash or `kill -9` would.
    void Kill() {
        Stop(pid_, SIGKILL);
        pid_ = -1;
    }
    int Port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A client that asks gpsd for its reports and reads them line by line.
class GpsdWatcher {
  public:
    explicit GpsdWatcher(int port, const std::string& watch =
                                       "?WATCH={\"enable\":true,"
                                       "\"json\":true}\n")
        : fd_(ConnectLocal(port)) {
        if (fd_ >= 0 && send(fd_, watch.data(), watch.size(), MSG_NOSIGNAL) < 0) Close();
    }
    ~GpsdWatcher() { Close(); }
    GpsdWatcher(const GpsdWatcher&) = delete;
    GpsdWatcher& operator=(const GpsdWatcher&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // The next line without its CR LF, waiting up to ms; "" when none came.
    std::string NextLine(int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || !Readable(fd_, static_cast<int>(left))) return "";
            char buffer[4096];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return "";
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // The first line holding text, waiting up to ms; "" when none came.
    std::string LineWith(const std::string& text, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string line = NextLine(100);
            if (line.find(text) != std::string::npos) return line;
        }
        return "";
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
    std::string pending_;
};

// The path of each device gpsd holds, from its DEVICES report, in its order.
inline std::vector<std::string> GpsdDevices(int port) {
    GpsdWatcher watcher(port);
    const std::string devices = watcher.LineWith("\"class\":\"DEVICES\"", 5000);
    std::vector<std::string> paths;
    for (std::size_t at = devices.find("\"path\":\""); at != std::string::npos;
         at = devices.find("\"path\":\"", at + 1)) {
        const std::size_t start = at + 8;
        paths.push_back(devices.substr(start, devices.find('"', start) - start));
    }
    return paths;
}

// A log as gpsd's tools keep it, without the comment lines at its head (gpsfake leaves them
// out too).
inline std::string WithoutCommentHead(const std::string& log) {
    std::size_t at = 0;
    while (at < log.size() && log[at] == '#') {
        const std::size_t end = log.find('\n', at);
        at = end == std::string::npos ? log.size() : end + 1;
    }
    return log.substr(at);
}

}  // namespace test_support
