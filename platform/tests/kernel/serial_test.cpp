#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/testing.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"
#include "win/kernel.h"

namespace {

using test_support::PtyPair;

using test_support::OpenPort;

class SerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetProgramName("probe");
        ASSERT_TRUE(pty_.Ok());
        pty_.UseAsComPort(4);
    }
    void TearDown() override { test_support::UnmapComPorts(); }

    PtyPair pty_;
};

TEST_F(SerialTest, PortIsExclusiveUntilClosedAndAPurgeEmptiesItsQueue) {
    HANDLE port = OpenPort(4);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenPort(4), INVALID_HANDLE_VALUE);
    // Another program that honours the lock is kept out too.
    const int other = open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other >= 0) {
        EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
        close(other);
    }
    int exclusive = -1;
    ASSERT_EQ(ioctl(pty_.WatchFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    ASSERT_TRUE(pty_.Write("$GPRMC,stale data\r\n"));
    ASSERT_TRUE(pty_.WaitQueued(19));
    EXPECT_EQ(PurgeComm(port, PURGE_RXCLEAR), TRUE);
    EXPECT_EQ(pty_.Queued(), 0);

    EXPECT_EQ(CloseHandle(port), TRUE);
    EXPECT_EQ(CloseHandle(port), FALSE);
    // The line is free for everyone again, not only for root.
    ASSERT_EQ(ioctl(pty_.WatchFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    // Ports are never created, and the name's letter case does not matter.
    EXPECT_EQ(
        CreateFileW(u"COM4:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
        INVALID_HANDLE_VALUE);
    port =
        CreateFileW(u"com4:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseHandle(port), TRUE);
}

constexpr uid_t kNobody = 65534;

struct OpenOutcome {
    int opened;
    std::string said;
};

// Opens COM4 three times, as three ticks of a port search would, in a child
// process that starts with nothing said yet. With unprivileged, a child of
// root drops to the user "nobody" first, since root opens any device.
OpenOutcome OpenThriceInChild(bool unprivileged) {
    int out[2];
    if (pipe(out) != 0) return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        host::ForgetReports();
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(100);
        }
        int opened = 0;
        for (int tick = 0; tick < 3; ++tick) {
            HANDLE port = OpenPort(4);
            if (port == INVALID_HANDLE_VALUE) continue;
            ++opened;
            CloseHandle(port);
        }
        _exit(opened);
    }
    close(out[1]);
    OpenOutcome outcome{0, test_support::ReadAll(out[0])};
    close(out[0]);
    outcome.opened = test_support::WaitExit(pid);
    return outcome;
}

TEST_F(SerialTest, DevicesThatCannotBeOpenedSayWhyOnce) {
    enum class Holder { kNone, kLock, kExclusive };
    struct Case {
        const char* what;
        const char* device;  // nullptr: the pair's slave
        mode_t mode;         // the slave's permissions meanwhile
        Holder holder;       // how another program holds the slave
        bool unprivileged;
        const char* said;  // after "probe: COM4 (device): "; nullptr: nothing
    };
    const char* busy = "busy: another program holds it";
    const Case cases[] = {
        {"missing device", "/nonexistent/ttyGPS", 0620, Holder::kNone, false, nullptr},
        {"not a terminal", "/dev/null", 0620, Holder::kNone, false, "not a serial device"},
        {"locked by another program", nullptr, 0620, Holder::kLock, false, busy},
        {"held exclusively by another program", nullptr, 0666, Holder::kExclusive, true, busy},
        {"no permission", nullptr, 0, Holder::kNone, true,
         "permission denied; add your user to the dialout group: sudo adduser $USER dialout, "
         "then log in again"},
    };
    struct stat original {};
    ASSERT_EQ(stat(pty_.SlavePath().c_str(), &original), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string device = c.device != nullptr ? c.device : pty_.SlavePath();
        test_support::MapComPort(4, device);
        ASSERT_EQ(chmod(pty_.SlavePath().c_str(), c.mode), 0);
        int lock = -1;
        if (c.holder == Holder::kLock) {
            lock = open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            ASSERT_GE(lock, 0);
            ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
        }
        if (c.holder == Holder::kExclusive) {
            ASSERT_EQ(ioctl(pty_.WatchFd(), TIOCEXCL), 0);
        }

        const OpenOutcome outcome = OpenThriceInChild(c.unprivileged);

        if (lock >= 0) close(lock);
        ioctl(pty_.WatchFd(), TIOCNXCL);
        chmod(pty_.SlavePath().c_str(), original.st_mode & 07777);
        EXPECT_EQ(outcome.opened, 0);
        const std::string expected =
            c.said == nullptr ? "" : "probe: COM4 (" + device + "): " + c.said + "\n";
        EXPECT_EQ(outcome.said, expected);
    }
    // Free again, the port opens and nothing is said.
    test_support::MapComPort(4, pty_.SlavePath());
    const OpenOutcome outcome = OpenThriceInChild(false);
    EXPECT_EQ(outcome.opened, 3);
    EXPECT_EQ(outcome.said, "");
}

TEST_F(SerialTest, LineSettingsApplyInRawModeAndRefusalsChangeNothing) {
    // As the far side sees them, through the test's own descriptor.
    const auto Current = [this] {
        termios tio{};
        EXPECT_EQ(tcgetattr(pty_.WatchFd(), &tio), 0);
        return tio;
    };
    // A cooked line at 9600 baud, two stop bits. (A pseudo-terminal is always
    // 8 bits without parity.)
    termios before = Current();
    before.c_iflag |= ICRNL | IXON;
    before.c_oflag |= OPOST;
    before.c_lflag |= ICANON | ECHO | ISIG;
    before.c_cflag = (before.c_cflag & ~CSIZE) | CS8 | CSTOPB;
    cfsetispeed(&before, B9600);
    cfsetospeed(&before, B9600);
    ASSERT_EQ(tcsetattr(pty_.WatchFd(), TCSANOW, &before), 0);

    HANDLE port = OpenPort(4);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DCB dcb;
    std::memset(&dcb, 0xFF, sizeof dcb);
    ASSERT_EQ(GetCommState(port, &dcb), TRUE);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    // Members the line does not carry keep what the caller had.
    EXPECT_EQ(dcb.XonLim, 0xFFFF);

    dcb.BaudRate = CBR_4800;
    dcb.StopBits = ONESTOPBIT;
    ASSERT_EQ(SetCommState(port, &dcb), TRUE);
    const termios after = Current();
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B4800));
    EXPECT_EQ(cfgetispeed(&after), static_cast<speed_t>(B4800));
    EXPECT_EQ(after.c_cflag & (CSIZE | PARENB | CSTOPB | CREAD | CLOCAL),
              static_cast<tcflag_t>(CS8 | CREAD | CLOCAL));
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(after.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON), 0u);
    EXPECT_EQ(after.c_oflag & OPOST, 0u);

    struct Case {
        DWORD baud;
        BYTE size, parity, stop;
        speed_t speed;  // 0: refused
    };
    // A pseudo-terminal keeps any speed and stop bits but insists on 8 bits
    // without parity; what it refuses must be reported, never claimed.
    const Case cases[] = {{115200, 8, NOPARITY, TWOSTOPBITS, B115200},
                          {9600, 7, ODDPARITY, ONESTOPBIT, 0},
                          {4801, 8, NOPARITY, ONESTOPBIT, 0},
                          {4800, 8, NOPARITY, ONE5STOPBITS, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.baud << " " << int{c.size} << " parity "
                                          << int{c.parity} << " stop " << int{c.stop});
        const termios before = Current();
        DCB dcb{};
        dcb.BaudRate = c.baud;
        dcb.ByteSize = c.size;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stop;
        EXPECT_EQ(SetCommState(port, &dcb), c.speed != 0 ? TRUE : FALSE);
        const termios tio = Current();
        if (c.speed == 0) {
            // Refused settings leave the line as it was.
            EXPECT_EQ(cfgetospeed(&tio), cfgetospeed(&before));
            EXPECT_EQ(tio.c_cflag, before.c_cflag);
            continue;
        }
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(tio.c_cflag & CSTOPB, c.stop == TWOSTOPBITS ? CSTOPB : 0u);
        DCB back{};
        ASSERT_EQ(GetCommState(port, &back), TRUE);
        EXPECT_EQ(back.BaudRate, c.baud);
        EXPECT_EQ(back.StopBits, c.stop);
    }
    EXPECT_EQ(SetCommState(port, nullptr), FALSE);
    EXPECT_EQ(GetCommState(port, nullptr), FALSE);
    EXPECT_EQ(CloseHandle(port), TRUE);
}

}  // namespace
