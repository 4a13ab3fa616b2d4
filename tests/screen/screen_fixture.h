// Shared set-up of the screen tests: a window-sized screen DC, the palette,
// a reference bitmap for drawing expected pictures, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "win/windows.h"

// A colour no drawing of the screen produces, not even by blending text.
inline constexpr COLORREF kBackdrop = 0x3C5A78;

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
    static uint32_t RefPx(int x, int y) { return host::DcPixels(reference).At(x, y); }
    static void FillWindow(HBRUSH brush);
    static void FillReference(HBRUSH brush);
    static std::vector<uint32_t> Snapshot();

    // Runs the bytes through ProcessChunk on the window.
    static void Feed(const std::string& bytes);

    // True when the screen and the reference agree inside the box; names the
    // first pixel that differs otherwise.
    static ::testing::AssertionResult SameAsReference(RECT box);
    // Draws text with DrawTextInRect on a white reference and compares the box.
    static ::testing::AssertionResult FieldShows(RECT box, const char16_t* text);
    // Whether any pixel in the box is dark (all channels below 0x80) or light.
    static bool AnyDark(RECT box);
    static bool AnyLight(RECT box);
};

// "$" + body + "*HH\r\n" with the body's correct checksum.
std::string Sentence(const std::string& body);
// The same with a checksum that is off by one.
std::string BadSentence(const std::string& body);

void ResetNav();
