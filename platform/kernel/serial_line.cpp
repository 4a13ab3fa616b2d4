#include "platform/kernel/serial_line.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include "win/kernel.h"

namespace kernel {
namespace {

struct SpeedEntry {
    std::uint32_t baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedFor(std::uint32_t baud, speed_t* speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.baud == baud) {
            *speed = e.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t BaudFor(speed_t speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.speed == speed) return e.baud;
    }
    return 0;
}

bool SizeFlag(int data_bits, tcflag_t* flag) {
    switch (data_bits) {
        case 5:
            *flag = CS5;
            return true;
        case 6:
            *flag = CS6;
            return true;
        case 7:
            *flag = CS7;
            return true;
        case 8:
            *flag = CS8;
            return true;
        default:
            return false;
    }
}

int Ioctl(int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

UniqueFd OpenSerialDevice(const char* path, int access_flags, int* error) {
    *error = 0;
    UniqueFd fd(open(path, access_flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        // A line held with TIOCEXCL refuses other openers with EBUSY.
        *error = errno;
        return {};
    }
    if (!isatty(fd.Get())) {
        *error = ENOTTY;
        return {};
    }
    // TIOCEXCL keeps out other openers, but not root; the advisory lock
    // covers that case and other processes that honour it.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK ? EBUSY : errno;
        return {};
    }
    if (ioctl(fd.Get(), TIOCEXCL) != 0) {
        *error = errno;
        return {};
    }
    return fd;
}

bool ReadLineSettings(int fd, LineSettings* settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    settings->baud = BaudFor(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            settings->data_bits = 5;
            break;
        case CS6:
            settings->data_bits = 6;
            break;
        case CS7:
            settings->data_bits = 7;
            break;
        default:
            settings->data_bits = 8;
            break;
    }
    if ((tio.c_cflag & PARENB) == 0) {
        settings->parity = Parity::kNone;
    } else if ((tio.c_cflag & CMSPAR) != 0) {
        settings->parity = (tio.c_cflag & PARODD) != 0 ? Parity::kMark : Parity::kSpace;
    } else {
        settings->parity = (tio.c_cflag & PARODD) != 0 ? Parity::kOdd : Parity::kEven;
    }
    settings->stop_bits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return true;
}

bool ApplyLineSettings(int fd, const LineSettings& settings) {
    speed_t speed;
    tcflag_t size;
    if (!SpeedFor(settings.baud, &speed) || !SizeFlag(settings.data_bits, &size)) return false;
    if (settings.stop_bits != 1 && settings.stop_bits != 2) return false;

    termios original{};
    if (tcgetattr(fd, &original) != 0) return false;
    termios tio = original;
    // Raw bytes in both directions; flow control, special characters and
    // the read thresholds are not ours to change.
    tio.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= size | CREAD | CLOCAL;
    switch (settings.parity) {
        case Parity::kNone:
            break;
        case Parity::kOdd:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case Parity::kEven:
            tio.c_cflag |= PARENB;
            break;
        case Parity::kMark:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case Parity::kSpace:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (settings.stop_bits == 2) tio.c_cflag |= CSTOPB;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;

    // tcsetattr succeeds when any one change took, and some drivers quietly
    // keep their own values (a pseudo-terminal is always 8 bits without
    // parity): check what we carry, and put the line back if it differs.
    LineSettings now;
    termios check{};
    bool took = ReadLineSettings(fd, &now) && tcgetattr(fd, &check) == 0 &&
                now.baud == settings.baud && cfgetispeed(&check) == speed &&
                now.data_bits == settings.data_bits && now.parity == settings.parity &&
                now.stop_bits == settings.stop_bits;
    if (!took) tcsetattr(fd, TCSANOW, &original);
    return took;
}

bool QueuedInput(int fd, std::uint32_t* input) {
    int in = 0;
    if (Ioctl(fd, TIOCINQ, &in) != 0) return false;
    *input = in < 0 ? 0u : static_cast<std::uint32_t>(in);
    return true;
}

std::uint32_t TakeLineErrors(int fd, KernelObject& object) {
    serial_icounter_struct counts{};
    // Pseudo-terminals and some adapters keep no counters; they are not asked
    // again on every read.
    if (object.counters_missing) return 0;
    if (Ioctl(fd, TIOCGICOUNT, &counts) != 0) {
        if (errno == ENOTTY || errno == EINVAL) object.counters_missing = true;
        return 0;
    }
    LineCounters now{counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    std::uint32_t flags = 0;
    if (object.counters_known) {
        const LineCounters& before = object.counters;
        if (now.frame != before.frame) flags |= CE_FRAME;
        if (now.overrun != before.overrun) flags |= CE_OVERRUN;
        if (now.parity != before.parity) flags |= CE_RXPARITY;
        if (now.brk != before.brk) flags |= CE_BREAK;
        if (now.buf_overrun != before.buf_overrun) flags |= CE_RXOVER;
    }
    object.counters = now;
    object.counters_known = true;
    return flags;
}

bool DiscardQueues(int fd, bool input, bool output) {
    if (!input && !output) return true;
    int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    return tcflush(fd, queue) == 0;
}

}  // namespace kernel
