// What the host's entry needs to know of the program's command line.
#include "host/host.h"
#include "serial/line_rate.h"

namespace {

bool AcceptsBaud(const char* value) {
    WCHAR wide[16];
    std::size_t n = 0;
    for (; value[n] != '\0'; ++n) {
        if (n + 1 == sizeof wide / sizeof wide[0]) return false;
        wide[n] = static_cast<unsigned char>(value[n]);
    }
    wide[n] = 0;
    DWORD setting = 0;
    return ParseBaudSetting(wide, &setting);
}

const host::ProgramOption kOptions[] = {
    {"--baud", "RATE|auto",
     "serial line rate: 1200 to 230400, or auto (default): 4800 first, then 9600,\n"
     "                      38400, 115200, 57600 and 19200 until sentences verify",
     AcceptsBaud},
};

const host::ProgramCommandLine kCommandLine{
    "Shows where a GPS receiver is, its satellites and their signals, and logs its\n"
    "NMEA 0183 data to NMEADataLog.TXT (the Log button).",
    SKYMARK_VERSION, kOptions, sizeof kOptions / sizeof kOptions[0]};

}  // namespace

const host::ProgramCommandLine& host::ProgramOptions() {
    return kCommandLine;
}
