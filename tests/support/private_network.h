// A network of the test's own: a fresh network namespace with nothing but
// the loopback interface, up, for the calling process and every child it
// starts afterwards. Root makes one directly; anyone else through a user
// namespace, where the system allows those. Packets can then be dropped
// (tc's blackhole) and addresses added without touching the host's network.
#pragma once

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace test_support {

inline bool WriteText(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) close(fd);
    return written;
}

// Enters a fresh private network; false, with why, when the system allows
// none. The first call must come while the process has no other thread.
inline bool EnterPrivateNetwork(std::string* why) {
    static bool mapped = false;
    if (geteuid() != 0 && !mapped) {
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER) != 0) {
            *why = std::string("not root, and no user namespace: ") + std::strerror(errno);
            return false;
        }
        if (!WriteText("/proc/self/setgroups", "deny") ||
            !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            *why = "the user namespace cannot be mapped";
            return false;
        }
        mapped = true;
    }
    if (unshare(CLONE_NEWNET) != 0) {
        *why = std::string("no network namespace: ") + std::strerror(errno);
        return false;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0) close(fd);
    if (!up) *why = std::string("the loopback interface stays down: ") + std::strerror(errno);
    return up;
}

// Runs one of iproute2's tools (ip, tc) in the private network; true when it
// succeeded.
inline bool RunNetworkTool(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/null 2>&1"};
    all.insert(all.end(), args.begin(), args.end());
    return WaitExit(Spawn(all, {}, "", false).pid) == 0;
}

}  // namespace test_support
