// A headless program never maps the SDL library or what it pulls in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "host/host.h"

namespace {

bool SdlMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libSDL2") != std::string::npos) return true;
    }
    return false;
}

TEST(DisplayLibrary, HeadlessLoadsNoSdl) {
    const char* saved = std::getenv("SKYMARK_DISPLAY");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("SKYMARK_DISPLAY", "headless", 1);
    EXPECT_EQ(host::StartDisplay(), host::DisplayKind::kHeadless);
    EXPECT_FALSE(SdlMapped());
    host::StopDisplay();
    if (saved != nullptr) {
        setenv("SKYMARK_DISPLAY", previous.c_str(), 1);
    } else {
        unsetenv("SKYMARK_DISPLAY");
    }
}

}  // namespace
