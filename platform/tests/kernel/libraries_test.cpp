#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/stderr_capture.h"
#include "win/windows.h"

namespace {

using ZlibVersion = const char* (*)();

TEST(Libraries, LoadFindAndFree) {
    HMODULE zlib = LoadLibraryW(u"libz.so.1");
    ASSERT_NE(zlib, nullptr);
    const auto version = reinterpret_cast<ZlibVersion>(GetProcAddressW(zlib, u"zlibVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(std::strncmp(version(), "1.", 2), 0);
    EXPECT_EQ(GetProcAddressW(zlib, u"noSuchFunction"), nullptr);

    // Each load is a handle of its own; freeing one leaves the other usable.
    HMODULE again = LoadLibraryW(u"libz.so.1");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, zlib);
    EXPECT_TRUE(FreeLibrary(zlib));
    EXPECT_EQ(GetProcAddressW(zlib, u"zlibVersion"), nullptr);
    EXPECT_FALSE(FreeLibrary(zlib));
    EXPECT_NE(GetProcAddressW(again, u"zlibVersion"), nullptr);
    EXPECT_TRUE(FreeLibrary(again));

    // Handles that never named a library.
    EXPECT_EQ(GetProcAddressW(nullptr, u"zlibVersion"), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(Libraries, MissingLibrarySaysWhy) {
    test_support::StderrCapture capture;
    EXPECT_EQ(LoadLibraryW(u"libno-such-library.so.7"), nullptr);
    const std::string said = capture.Take();
    EXPECT_NE(said.find("cannot load libno-such-library.so.7: "), std::string::npos) << said;
}

}  // namespace
