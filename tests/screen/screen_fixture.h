// Shared set-up of the screen tests: a window-sized screen DC, the palette,
// a reference bitmap for drawing expected pictures, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
#include "screen/screen_areas.h"
#include "tests/support/nmea_text.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

using test_support::BadSentence;
using test_support::Sentence;

// The text fields and the status line on the window.
inline constexpr RECT kDate{15, 25, 90, 40};
inline constexpr RECT kTime{130, 25, 190, 40};
inline constexpr RECT kHdop{15, 40, 90, 55};
inline constexpr RECT kPdop{130, 40, 190, 55};
inline constexpr RECT kSpeed{15, 55, 90, 70};
inline constexpr RECT kAltitude{130, 55, 220, 70};
inline constexpr RECT kLatitude{15, 70, 120, 85};
inline constexpr RECT kLongitude{130, 70, 250, 85};
inline constexpr RECT kMark{5, 30, 10, 35};

// A colour no drawing of the screen produces, not even by blending text.
inline constexpr COLORREF kBackdrop = 0x3C5A78;

// A satellite as a receiver reports it; -1 leaves a field empty.
struct TestSatellite {
    const char* talker;  // "GP", "GL", "GA", "GB", "GQ", "GI"
    int number;
    int azimuth;
    int elevation;
    int snr;
    bool used;
};

class ScreenTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // The window: a DC on the device screen, and its pixels.
    static HDC window;
    static HDC reference;
    static HBITMAP referenceBitmap;
    static HBRUSH backdropBrush;

    static uint32_t Px(int x, int y) { return host::ScreenPixels().At(x, y); }
    static void Fill(HDC dc, HBRUSH brush);
    // The window's pixels in the box, row by row; the whole window by default.
    static std::vector<uint32_t> Pixels(RECT box = {0, 0, kScreenWidth, kScreenHeight});

    // Runs the bytes through ProcessChunk on the window.
    static void Feed(const std::string& bytes);
    // One second of a receiver that sees these satellites: a GSA per talker
    // listing the used ones with this fix type, then a GSV group per talker.
    static void FeedSky(const std::vector<TestSatellite>& satellites,
                        const std::string& fixType = "3");

    // True when the screen and the reference agree inside the box; names the
    // first pixel that differs otherwise.
    static ::testing::AssertionResult SameAsReference(RECT box);
    // Draws text with DrawTextInRect on a white reference and compares the box.
    static ::testing::AssertionResult FieldShows(RECT box, const char16_t* text);
    // The status line as an echo of this text leaves it: the blank line, then the text
    // without its CR LF, which draw as nothing.
    static ::testing::AssertionResult StatusShows(const std::string& text);
    // Pixels of the window that differ from an earlier snapshot, outside the boxes.
    static int ChangedOutside(const std::vector<uint32_t>& before,
                              const std::vector<RECT>& boxes = {});
    // Whether any pixel in the box is dark (all channels below 0x80) or light.
    static bool AnyShade(RECT box, bool dark);
    static bool AnyDark(RECT box) { return AnyShade(box, true); }
};
