// skymark-sim: a GPS receiver on a pseudo-terminal, for trying the program
// without hardware.
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "sim_core.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: skymark-sim [options]\n"
        "Opens a pseudo-terminal, prints its path on the first line and sends NMEA 0183\n"
        "there as a GPS receiver would, one burst a second. By default it is a receiver\n"
        "of GPS, GLONASS, Galileo and BeiDou in NMEA 4.11 form on a 38400-baud line\n"
        "(at most 3840 bytes a second).\n"
        "\n"
        "  --gnss all|gps       all four systems (default), or a GPS-only receiver on a\n"
        "                       4800-baud line (at most 480 bytes a second)\n"
        "  --replay FILE        send a recorded log in a loop instead of the synthesised\n"
        "                       receiver, at most 480 bytes a second\n"
        "  --talker GP|GN       talker of the GPS-only receiver's sentences (default GP)\n"
        "  --corrupt PERCENT    share of sentences sent with a wrong checksum (default 0)\n"
        "  --position LAT,LON   start position in decimal degrees (default 47.3769,8.5417)\n"
        "  --seconds N          stop after N seconds (default: run until SIGINT/SIGTERM)\n"
        "  --record FILE        also append every byte sent on the line to FILE\n"
        "  --baud RATE          play a receiver at RATE (4800 to 115200): while the line is\n"
        "                       set to another rate, send what a UART makes of the bytes,\n"
        "                       garbled and without any '$' (default: send at any rate)\n"
        "  --help               show this text\n",
        out);
}

bool ParseWhole(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

void SleepUntil(const timespec& deadline) {
    while (!stopRequested) {
        const int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        if (rc != EINTR) return;
    }
}

timespec AddMs(timespec base, long long ms) {
    long long ns = base.tv_nsec + (ms % 1000) * 1000000LL;
    base.tv_sec += static_cast<time_t>(ms / 1000 + ns / 1000000000LL);
    base.tv_nsec = static_cast<long>(ns % 1000000000LL);
    return base;
}

// Bytes that cannot be written (no reader, full queue, hung-up line) are lost,
// as they would be on a real wire. What did go out is copied to the record.
void WriteSome(int fd, const char* bytes, std::size_t size, std::FILE* record) {
    while (size > 0 && !stopRequested) {
        const ssize_t n = write(fd, bytes, size);
        if (n > 0) {
            if (record != nullptr) {
                std::fwrite(bytes, 1, static_cast<std::size_t>(n), record);
                std::fflush(record);
            }
            bytes += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

struct Rate {
    long baud;
    speed_t speed;
};
constexpr Rate kRates[] = {{4800, B4800},   {9600, B9600},   {19200, B19200},
                           {38400, B38400}, {57600, B57600}, {115200, B115200}};

bool ParseRate(const char* text, Rate* rate) {
    long value = 0;
    if (!ParseWhole(text, 1, 100000000, &value)) return false;
    for (const Rate& r : kRates) {
        if (r.baud == value) {
            *rate = r;
            return true;
        }
    }
    return false;
}

// A pseudo-terminal carries the rate its reader set; at any other rate a
// receiver's bytes arrive as a UART would make of them: never a '$' or a line end.
void GarbleUnlessAt(int fd, speed_t speed, char* bytes, std::size_t size) {
    termios line{};
    if (tcgetattr(fd, &line) == 0 && cfgetospeed(&line) == speed) return;
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(0x80 | (static_cast<unsigned char>(bytes[i]) ^ 0x55));
}

int OpenPseudoTerminal(char* path, std::size_t capacity, speed_t speed) {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, path, capacity) != 0) {
        close(fd);
        return -1;
    }
    // Raw, so the line discipline neither echoes nor rewrites line ends.
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
        tcsetattr(fd, TCSANOW, &settings);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    sim::ReceiverConfig config;
    const char* replayPath = nullptr;
    const char* recordPath = nullptr;
    long seconds = -1;
    bool talkerGiven = false;
    bool fixedRate = false;
    Rate rate = kRates[0];
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        } else if (std::strcmp(arg, "--replay") == 0 && value != nullptr) {
            replayPath = value;
        } else if (std::strcmp(arg, "--record") == 0 && value != nullptr) {
            recordPath = value;
        } else if (std::strcmp(arg, "--gnss") == 0 && value != nullptr &&
                   (std::strcmp(value, "all") == 0 || std::strcmp(value, "gps") == 0)) {
            config.gnss = value[0] == 'g' ? sim::Gnss::kGpsOnly : sim::Gnss::kFourSystems;
        } else if (std::strcmp(arg, "--talker") == 0 && value != nullptr &&
                   (std::strcmp(value, "GP") == 0 || std::strcmp(value, "GN") == 0)) {
            config.talker[1] = value[1];
            talkerGiven = true;
        } else if (std::strcmp(arg, "--corrupt") == 0 && value != nullptr &&
                   ParseWhole(value, 0, 100, &number)) {
            config.corruptPercent = static_cast<int>(number);
        } else if (std::strcmp(arg, "--position") == 0 && value != nullptr &&
                   sim::ParsePosition(value, &config.latitude, &config.longitude)) {
        } else if (std::strcmp(arg, "--baud") == 0 && value != nullptr &&
                   ParseRate(value, &rate)) {
            fixedRate = true;
        } else if (std::strcmp(arg, "--seconds") == 0 && value != nullptr &&
                   ParseWhole(value, 1, 100000000, &number)) {
            seconds = number;
        } else {
            std::fprintf(stderr, "skymark-sim: bad option or value: %s%s%s\n", arg,
                         value != nullptr ? " " : "", value != nullptr ? value : "");
            PrintUsage(stderr);
            return 2;
        }
        ++i;
    }

    // The four-system receiver names its talkers itself.
    if (talkerGiven && config.gnss != sim::Gnss::kGpsOnly && replayPath == nullptr) {
        std::fprintf(stderr, "skymark-sim: --talker is for the GPS-only receiver (--gnss gps)\n");
        PrintUsage(stderr);
        return 2;
    }

    sim::Replay replay;
    if (replayPath != nullptr && (!replay.Load(replayPath) || replay.Empty())) {
        std::fprintf(stderr, "skymark-sim: cannot read %s or it is empty\n", replayPath);
        return 1;
    }

    std::FILE* record = nullptr;
    if (recordPath != nullptr && (record = std::fopen(recordPath, "ab")) == nullptr) {
        std::fprintf(stderr, "skymark-sim: cannot write %s: %s\n", recordPath,
                     std::strerror(errno));
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    char path[256];
    const int fd = OpenPseudoTerminal(path, sizeof path, rate.speed);
    if (fd < 0) {
        std::fprintf(stderr, "skymark-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", path);
    std::fflush(stdout);

    config.startUnixSeconds = static_cast<std::int64_t>(std::time(nullptr));
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    sim::Burst burst;
    // Each burst leaves at line speed (8N1: ten bits a byte): a tenth of a
    // second's worth every 100 ms.
    const std::size_t lineBytesPerSecond =
        fixedRate ? static_cast<std::size_t>(rate.baud / 10)
        : replayPath != nullptr ? sim::kLineBytesPerSecond
                                : sim::LineBytesPerSecond(config);
    const std::size_t sliceBytes = lineBytesPerSecond / 10;
    for (std::uint32_t second = 0; !stopRequested; ++second) {
        if (seconds >= 0 && second >= static_cast<unsigned long>(seconds)) break;
        if (replayPath != nullptr) {
            replay.NextBurst(&burst);
        } else {
            sim::SynthesizeSecond(config, second, &burst);
        }
        for (std::size_t sent = 0, slice = 0; sent < burst.size && !stopRequested; ++slice) {
            SleepUntil(AddMs(start, 1000LL * second + 100LL * static_cast<long long>(slice)));
            const std::size_t size =
                burst.size - sent < sliceBytes ? burst.size - sent : sliceBytes;
            if (fixedRate) GarbleUnlessAt(fd, rate.speed, burst.bytes + sent, size);
            WriteSome(fd, burst.bytes + sent, size, record);
            sent += size;
        }
        SleepUntil(AddMs(start, 1000LL * (second + 1)));
    }
    close(fd);
    if (record != nullptr) std::fclose(record);
    return 0;
}
