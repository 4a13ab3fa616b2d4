// A program built on the platform's entry: it reports what WinMain received
// and exits with a code of its own.
#include <cstdio>
#include <cstdlib>

#include "host/host.h"
#include "win/windows.h"

namespace {

// String block 1 holding string 1, "Probe".
const WORD kStrings[] = {0, 5, u'P', u'r', u'o', u'b', u'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const host::ResourceItem kItems[] = {{6, 1, 1033, kStrings, sizeof(kStrings)}};
const host::ResourceSet kSet{kItems, 1};

bool OneDigit(const char* value) {
    return value[0] >= '0' && value[0] <= '9' && value[1] == '\0';
}

const host::ProgramOption kOptions[] = {{"--level", "DIGIT", "a level of the probe", OneDigit}};
const host::ProgramCommandLine kCommandLine{"Reports what it was started with.", "0.7", kOptions,
                                            1};

}  // namespace

const host::ResourceSet& host::ProgramResources() {
    return kSet;
}

const host::ProgramCommandLine& host::ProgramOptions() {
    return kCommandLine;
}

int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show_command) {
    WCHAR text[16];
    int length = LoadStringW(instance, 1, text, 16);
    std::printf("string=");
    for (int i = 0; i < length; ++i)
        std::printf("%c", static_cast<char>(text[i]));
    std::printf(" previous=%d show=%d command=", previous == nullptr ? 0 : 1, show_command);
    for (LPWSTR p = command_line; *p != 0; ++p)
        std::printf("%04x.", static_cast<unsigned>(*p));
    // The host options reach the platform through their variables.
    for (const char* name : {"SKYMARK_DISPLAY", "SKYMARK_SCALE", "SKYMARK_SNAPSHOT", "SKYMARK_COM1",
                             "SKYMARK_COM2", "SKYMARK_COM9"}) {
        const char* value = std::getenv(name);
        if (value != nullptr) std::printf(" %s=%s", name, value);
    }
    std::printf("\n");
    return 7;
}
