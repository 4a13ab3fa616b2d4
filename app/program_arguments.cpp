#include "app/program_arguments.h"

#include <cstdlib>
#include <cstring>

#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "win/kernel.h"

namespace {

constexpr int kDefaultScale = 2;
constexpr char kHeadlessVariable[] = "SKYMARK_DISPLAY=headless";
constexpr char kSdlVariable[] = "SKYMARK_DISPLAY=sdl";

// "--name value" or "--name=value"; null when the option has no value.
const char* TakeValue(const char* argument, const char* name, int argc, const char* const* argv,
                      int* i) {
    const std::size_t length = std::strlen(name);
    if (argument[length] == '=') return argument + length + 1;
    if (*i + 1 >= argc) return nullptr;
    return argv[++*i];
}

bool Matches(const char* argument, const char* name) {
    const std::size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0 &&
           (argument[length] == '\0' || argument[length] == '=');
}

bool ParseScale(const char* text, int* scale) {
    if (!(text[0] >= '1' && text[0] <= '8' && text[1] == '\0')) return false;
    *scale = text[0] - '0';
    return true;
}

// The rate parser reads the program's wide text; the value is plain text.
bool ParseBaud(const char* value, DWORD* setting) {
    WCHAR wide[16];
    std::size_t n = 0;
    for (; value[n] != '\0'; ++n) {
        if (n + 1 == sizeof wide / sizeof wide[0]) return false;
        wide[n] = static_cast<unsigned char>(value[n]);
    }
    wide[n] = 0;
    return ParseBaudSetting(wide, setting);
}

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

void ReadProgramVariables(ProgramArguments* arguments) {
    host::DisplayChoice& display = arguments->display;
    using Mode = host::DisplayChoice::Mode;
    if (display.mode == Mode::kAuto) {
        if (const char* choice = Variable("SKYMARK_DISPLAY")) {
            if (std::strcmp(choice, "headless") == 0) {
                display.mode = Mode::kHeadless;
                display.why = kHeadlessVariable;
            } else if (std::strcmp(choice, "sdl") == 0) {
                display.mode = Mode::kSdl;
                display.why = kSdlVariable;
            } else {
                host::Report("SKYMARK_DISPLAY=%s is neither sdl nor headless", choice);
            }
        }
    }
    // The scale means nothing to a program asked to run headless.
    if (!arguments->scale_given && display.mode != Mode::kHeadless) {
        if (const char* text = Variable("SKYMARK_SCALE")) {
            char* end = nullptr;
            const long value = std::strtol(text, &end, 10);
            if (*end != 0 || value < 1 || value > 8) {
                host::Report("SKYMARK_SCALE=%s is not 1 to 8; using %d", text, kDefaultScale);
            } else {
                display.scale = static_cast<int>(value);
            }
        }
    }
    if (arguments->snapshot.empty()) {
        if (const char* path = Variable("SKYMARK_SNAPSHOT")) arguments->snapshot = path;
    }
    display.snapshot = arguments->snapshot.empty() ? nullptr : arguments->snapshot.c_str();
}

ArgumentsOutcome ReadProgramArguments(int argc, const char* const* argv,
                                      ProgramArguments* arguments) {
    DWORD baud = kAutoBaud;
    int scale = kDefaultScale;
    bool headless = false;
    bool scale_given = false;
    const char* snapshot = nullptr;
    std::vector<std::string> sources;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (options_done || argument[0] != '-' || argument[1] == '\0') {
            if (sources.size() == kComPortCount) {
                arguments->error = "at most nine sources, for COM1 to COM9";
                return ArgumentsOutcome::kError;
            }
            if (const char* why = host::SourceProblem(argument)) {
                arguments->error = std::string("not a source: ") + argument + ": " + why;
                return ArgumentsOutcome::kError;
            }
            sources.emplace_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            options_done = true;
            continue;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            return ArgumentsOutcome::kHelp;
        }
        if (std::strcmp(argument, "--version") == 0) return ArgumentsOutcome::kVersion;
        if (std::strcmp(argument, "--headless") == 0) {
            headless = true;
            continue;
        }
        const char* name = Matches(argument, "--baud")       ? "--baud"
                           : Matches(argument, "--scale")    ? "--scale"
                           : Matches(argument, "--snapshot") ? "--snapshot"
                                                             : nullptr;
        if (name == nullptr) {
            arguments->error = std::string("unknown option: ") + argument;
            return ArgumentsOutcome::kError;
        }
        const char* value = TakeValue(argument, name, argc, argv, &i);
        if (value == nullptr) {
            arguments->error = std::string(name) + " needs a value";
            return ArgumentsOutcome::kError;
        }
        bool good = *value != '\0';
        const char* expected = "a file name";
        if (std::strcmp(name, "--baud") == 0) {
            good = good && ParseBaud(value, &baud);
            expected = "RATE|auto";
        } else if (std::strcmp(name, "--scale") == 0) {
            good = good && ParseScale(value, &scale);
            scale_given = true;
            expected = "1 to 8";
        } else {
            snapshot = value;
        }
        if (!good) {
            arguments->error = std::string("bad value for ") + name + ": '" + value +
                               "' (expected " + expected + ")";
            return ArgumentsOutcome::kError;
        }
    }

    arguments->baud = baud;
    arguments->display.scale = scale;
    arguments->scale_given = scale_given;
    if (headless) {
        arguments->display.mode = host::DisplayChoice::Mode::kHeadless;
        arguments->display.why = kHeadlessVariable;
    }
    if (snapshot != nullptr) arguments->snapshot = snapshot;
    arguments->sources_given = !sources.empty();
    arguments->sources = std::move(sources);
    return ArgumentsOutcome::kRun;
}

void MapPorts(const ProgramArguments& arguments) {
    for (int n = 1; n <= kComPortCount; ++n) {
        const std::size_t index = static_cast<std::size_t>(n - 1);
        if (arguments.sources_given) {
            // The ports after the sources given lead nowhere.
            host::SetPortSource(
                n, index < arguments.sources.size() ? arguments.sources[index].c_str() : "");
            continue;
        }
        const std::string variable = "SKYMARK_COM" + std::to_string(n);
        // Set but empty: the port leads nowhere.
        if (const char* value = std::getenv(variable.c_str())) host::SetPortSource(n, value);
    }
}

std::string ProgramUsage() {
    return "Usage: skymark [--baud RATE|auto] [--scale N] [--headless] [--snapshot FILE] "
           "[SOURCE...]\n"
           "Shows where a GPS receiver is, its satellites and their signals, and logs its\n"
           "NMEA 0183 data to NMEADataLog.TXT (the Log button).\n"
           "\n"
           "Options:\n"
           "  --baud RATE|auto    serial line rate: 1200 to 230400, or auto (default): 4800 "
           "first, then 9600,\n"
           "                      38400, 115200, 57600 and 19200 until sentences verify\n"
           "  --scale N           enlarge the window N times, 1 to 8 (SKYMARK_SCALE; default 2)\n"
           "  --headless          run without a window (SKYMARK_DISPLAY=headless)\n"
           "  --snapshot FILE     keep a PNG picture of the screen in FILE (SKYMARK_SNAPSHOT)\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "\n"
           "Sources take COM1, COM2 and so on in the order given, and no other port is\n"
           "searched. Without any, COMn is SKYMARK_COMn when set, otherwise the n-th serial\n"
           "device of the host (/dev/serial/by-id/*, ttyACM*, ttyUSB*, serial0, ttyAMA*, ttyS*).\n"
           "  /dev/ttyUSB0           a serial device, by its absolute path\n"
           "  tcp://HOST:PORT        raw NMEA 0183 over TCP (multiplexers, ser2net, phones)\n"
           "  gpsd://HOST[:PORT][/DEVICE]\n"
           "                         a receiver that gpsd holds (default localhost:2947): the\n"
           "                         DEVICE named, else the first gpsd reports; the status\n"
           "                         line shows gpsd's reports with that device and its driver\n"
           "  udp://[ADDRESS][:PORT] NMEA 0183 datagrams to this host (default port 10110):\n"
           "                         to ADDRESS only, its broadcasts, or a multicast group\n";
}
