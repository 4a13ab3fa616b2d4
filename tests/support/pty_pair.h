// A pseudo-terminal pair standing in for a serial receiver in tests.
//
// The test writes the receiver's bytes on the master side; the code under
// test opens the slave path as its serial port. The slave is put into raw
// mode at creation, so bytes are queued exactly as written and nothing is
// echoed back to the master. A "watch" descriptor on the slave is opened
// first and kept, so the test can see the slave's input queue (and its line
// settings) even after the code under test has claimed the port exclusively.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>

#include "host/host.h"
#include "win/kernel.h"

namespace test_support {

// Maps "COMn:" to path (which need not exist).
inline void MapComPort(int port_number, const std::string& path) {
    host::SetPortSource(port_number, path.c_str());
}

// Maps COM1 to COM9 all to nothing: no port leads to any device.
inline void MapNoComPorts() {
    for (int n = 1; n <= kComPortCount; ++n)
        MapComPort(n, "");
}

// Gives every port back to the host's devices.
inline void UnmapComPorts() {
    for (int n = 1; n <= kComPortCount; ++n)
        host::SetPortSource(n, nullptr);
}

// Opens "COMn:" for reading and writing, alone, as the program does.
inline HANDLE OpenPort(int port_number) {
    char16_t name[] = u"COM0:";
    name[3] = static_cast<char16_t>(u'0' + port_number);
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// True when "COMn:" can be opened now, i.e. nobody holds it; closes it again at once.
inline bool PortIsFree(int port_number) {
    const HANDLE port = OpenPort(port_number);
    return port != INVALID_HANDLE_VALUE && CloseHandle(port);
}

class PtyPair {
  public:
    // Check Ok() after construction: everything else needs a working pair.
    PtyPair() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK)) {
        char name[128];
        termios tio{};
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
            ptsname_r(master_, name, sizeof name) == 0 &&
            (watch_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK)) >= 0 &&
            tcgetattr(watch_, &tio) == 0) {
            cfmakeraw(&tio);
            if (tcsetattr(watch_, TCSANOW, &tio) == 0) slave_path_ = name;
        }
    }
    ~PtyPair() {
        if (watch_ >= 0) close(watch_);
        CloseMaster();
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && !slave_path_.empty(); }
    int WatchFd() const { return watch_; }
    const std::string& SlavePath() const { return slave_path_; }

    // Writes every byte to the master side (waits a few seconds at most).
    bool Write(std::string_view bytes) {
        pollfd p{master_, POLLOUT, 0};
        while (master_ >= 0 && !bytes.empty()) {
            const ssize_t n = write(master_, bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
            } else if (errno != EINTR && (errno != EAGAIN || poll(&p, 1, kWaitLimitMs) <= 0)) {
                return false;
            }
        }
        return master_ >= 0;
    }
    // Waits until the slave's input queue holds at least count bytes; false
    // after a few seconds of real time. Writes reach the slave asynchronously.
    bool WaitQueued(std::size_t count) const {
        for (int waited = 0; waited <= kWaitLimitMs; ++waited) {
            const long queued = Queued();
            if (queued < 0) return false;
            if (static_cast<std::size_t>(queued) >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    // Bytes now queued on the slave side, or -1 when it cannot tell.
    long Queued() const {
        int queued = 0;
        return watch_ >= 0 && ioctl(watch_, FIONREAD, &queued) == 0 ? queued : -1;
    }
    // The far side hangs up, as an unplugged receiver would.
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    // Makes "COMn:" open this pair's slave and every other port open nothing.
    void UseAsComPort(int port_number) const {
        MapNoComPorts();
        MapComPort(port_number, slave_path_);
    }

  private:
    static constexpr int kWaitLimitMs = 3000;
    int master_ = -1;
    int watch_ = -1;
    std::string slave_path_;
};

}  // namespace test_support
