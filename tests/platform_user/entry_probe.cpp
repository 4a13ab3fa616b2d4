// A program built on the platform's entry: it reports what WinMain received
// and exits with a code of its own.
#include <cstdio>

#include "host/host.h"
#include "win/windows.h"

namespace {

// String block 1 holding string 1, "Probe".
const WORD kStrings[] = {0, 5, u'P', u'r', u'o', u'b', u'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const host::ResourceItem kItems[] = {{6, 1, 1033, kStrings, sizeof(kStrings)}};
const host::ResourceSet kSet{kItems, 1};

}  // namespace

const host::ResourceSet& host::ProgramResources() {
    return kSet;
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
    std::printf("\n");
    return 7;
}
