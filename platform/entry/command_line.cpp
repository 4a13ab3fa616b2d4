#include "command_line.h"

#include <stdlib.h>

#include <cstring>
#include <utility>
#include <vector>

namespace entry {
namespace {

constexpr int kPortCount = 9;

struct Setting {
    std::string variable;
    std::string value;
};

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

bool ValidScale(const char* text) {
    return text[0] >= '1' && text[0] <= '8' && text[1] == '\0';
}

// The values handed on are checked by the program, which accepts plain text only.
void AppendWide(std::u16string& out, const char* text) {
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<unsigned char>(*text));
}

}  // namespace

Outcome ParseArguments(int argc, const char* const* argv, const host::ProgramCommandLine& program,
                       Arguments* arguments) {
    std::vector<Setting> settings;
    std::vector<std::string> sources;
    std::u16string command_line;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (options_done || argument[0] != '-' || argument[1] == '\0') {
            if (sources.size() == kPortCount) {
                arguments->error = "at most nine sources, for COM1 to COM9";
                return Outcome::kError;
            }
            if (const char* why = host::SourceProblem(argument)) {
                arguments->error = std::string("not a source: ") + argument + ": " + why;
                return Outcome::kError;
            }
            sources.emplace_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            options_done = true;
            continue;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            return Outcome::kHelp;
        }
        if (std::strcmp(argument, "--version") == 0) return Outcome::kVersion;
        if (std::strcmp(argument, "--headless") == 0) {
            settings.push_back({"SKYMARK_DISPLAY", "headless"});
            continue;
        }
        const host::ProgramOption* own = nullptr;
        for (std::size_t o = 0; o < program.option_count; ++o) {
            if (Matches(argument, program.options[o].name)) own = &program.options[o];
        }
        const char* name = own != nullptr                    ? own->name
                           : Matches(argument, "--scale")    ? "--scale"
                           : Matches(argument, "--snapshot") ? "--snapshot"
                                                             : nullptr;
        if (name == nullptr) {
            arguments->error = std::string("unknown option: ") + argument;
            return Outcome::kError;
        }
        const char* value = TakeValue(argument, name, argc, argv, &i);
        if (value == nullptr) {
            arguments->error = std::string(name) + " needs a value";
            return Outcome::kError;
        }
        bool good = *value != '\0';
        if (own != nullptr) {
            good = good && own->accepts(value);
        } else if (std::strcmp(name, "--scale") == 0) {
            good = ValidScale(value);
        }
        if (!good) {
            const char* expected = own != nullptr                      ? own->value_name
                                   : std::strcmp(name, "--scale") == 0 ? "1 to 8"
                                                                       : "a file name";
            arguments->error = std::string("bad value for ") + name + ": '" + value +
                               "' (expected " + expected + ")";
            return Outcome::kError;
        }
        if (own != nullptr) {
            if (!command_line.empty()) command_line.push_back(u' ');
            AppendWide(command_line, own->name);
            command_line.push_back(u' ');
            AppendWide(command_line, value);
        } else {
            settings.push_back(
                {std::strcmp(name, "--scale") == 0 ? "SKYMARK_SCALE" : "SKYMARK_SNAPSHOT", value});
        }
    }

    // Sources given replace the whole port map: the ports after them lead nowhere.
    if (!sources.empty()) {
        for (int n = 1; n <= kPortCount; ++n) {
            const std::size_t index = static_cast<std::size_t>(n - 1);
            settings.push_back({"SKYMARK_COM" + std::to_string(n),
                                index < sources.size() ? sources[index] : std::string()});
        }
    }
    for (const Setting& s : settings)
        setenv(s.variable.c_str(), s.value.c_str(), 1);
    arguments->command_line = std::move(command_line);
    return Outcome::kRun;
}

std::string Usage(const host::ProgramCommandLine& program) {
    std::string own_synopsis;
    std::string own_help;
    for (std::size_t o = 0; o < program.option_count; ++o) {
        const host::ProgramOption& option = program.options[o];
        own_synopsis += std::string(" [") + option.name + " " + option.value_name + "]";
        std::string left = std::string("  ") + option.name + " " + option.value_name;
        if (left.size() < 22) left.resize(22, ' ');
        own_help += left + option.help + "\n";
    }
    return "Usage: skymark" + own_synopsis +
           " [--scale N] [--headless] [--snapshot FILE] [SOURCE...]\n" + program.summary +
           "\n\nOptions:\n" + own_help +
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

}  // namespace entry
