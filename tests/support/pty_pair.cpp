#include "tests/support/pty_pair.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace test_support {
namespace {

constexpr int kWaitLimitMs = 3000;

void NapMs(int ms) {
    timespec ts{0, ms * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::string VariableName(int port_number) {
    return "SKYMARK_COM" + std::to_string(port_number);
}

}  // namespace

PtyPair::PtyPair() {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char name[128];
    int watch = -1;
    termios tio{};
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 &&
        ptsname_r(master, name, sizeof name) == 0 &&
        (watch = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK)) >= 0 &&
        tcgetattr(watch, &tio) == 0) {
        cfmakeraw(&tio);
        if (tcsetattr(watch, TCSANOW, &tio) == 0) {
            master_ = master;
            watch_ = watch;
            slave_path_ = name;
            return;
        }
    }
    if (watch >= 0) close(watch);
    if (master >= 0) close(master);
}

PtyPair::~PtyPair() {
    if (watch_ >= 0) close(watch_);
    CloseMaster();
}

bool PtyPair::Write(std::string_view bytes) {
    if (master_ < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{master_, POLLOUT, 0};
            if (poll(&p, 1, kWaitLimitMs) > 0) continue;
        }
        return false;
    }
    return true;
}

long PtyPair::Queued() const {
    int queued = 0;
    if (watch_ < 0 || ioctl(watch_, FIONREAD, &queued) != 0) return -1;
    return queued;
}

bool PtyPair::WaitQueued(std::size_t count) {
    for (int waited = 0; waited <= kWaitLimitMs; ++waited) {
        long queued = Queued();
        if (queued < 0) return false;
        if (static_cast<std::size_t>(queued) >= count) return true;
        NapMs(1);
    }
    return false;
}

std::string PtyPair::ReadMaster() {
    std::string bytes;
    if (master_ < 0) return bytes;
    char chunk[512];
    for (;;) {
        ssize_t n = read(master_, chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return bytes;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

void PtyPair::UseAsComPort(int port_number) const {
    for (int n = 1; n <= 9; ++n) {
        std::string value = n == port_number ? slave_path_ : std::string();
        setenv(VariableName(n).c_str(), value.c_str(), 1);
    }
}

void PtyPair::AddAsComPort(int port_number) const {
    MapComPort(port_number, slave_path_);
}

void MapComPort(int port_number, const std::string& path) {
    setenv(VariableName(port_number).c_str(), path.c_str(), 1);
}

void MapNoComPorts() {
    for (int n = 1; n <= 9; ++n)
        setenv(VariableName(n).c_str(), "", 1);
}

void UnsetComPortVariables() {
    for (int n = 1; n <= 9; ++n)
        unsetenv(VariableName(n).c_str());
}

}  // namespace test_support
