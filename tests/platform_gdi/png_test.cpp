// PNG pictures written and read back with libpng.

#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/png_writer.h"
#include "platform/gdi/window_dc.h"
#include "surface.h"
#include "tests/support/png_file.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using test_support::ReadPng;

// The directory of the test's files, removed with them at the end.
struct TempDir : test_support::TempDir {
    fs::path path() const { return Path(); }
};

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

TEST(Png, WritesABitmapThatReadsBackEqual) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    gdi_test::Surface s(7, 5);
    const host::PixelView v = s.pixels();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            v.pixels[y * v.stride + x] = RGB(static_cast<BYTE>(x * 30), static_cast<BYTE>(y * 50),
                                             static_cast<BYTE>(x * y + 1));
    const fs::path file = dir.path() / "surface.png";
    ASSERT_TRUE(host::WritePng(v, file.c_str()));
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> back = ReadPng(file, &width, &height);
    ASSERT_EQ(width, 7);
    ASSERT_EQ(height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(back[y * 7 + x], v.At(x, y)) << x << "," << y;
}

TEST(Png, AStrideWiderThanTheWidthAndTheScreen) {
    TempDir dir;
    std::vector<std::uint32_t> pixels = {1, 2, 0xDEAD, 3, 4, 0xBEEF};
    const host::PixelView view{pixels.data(), 2, 2, 3};
    const fs::path file = dir.path() / "stride.png";
    ASSERT_TRUE(host::WritePng(view, file.c_str()));
    int width = 0;
    int height = 0;
    EXPECT_EQ(ReadPng(file, &width, &height), (std::vector<std::uint32_t>{1, 2, 3, 4}));

    const fs::path screen = dir.path() / "screen.png";
    ASSERT_TRUE(host::WritePngAtomically(host::ScreenPixels(), screen.c_str()));
    const std::vector<std::uint32_t> back = ReadPng(screen, &width, &height);
    EXPECT_EQ(width, host::kScreenWidth);
    EXPECT_EQ(height, host::kScreenHeight);
    EXPECT_EQ(back.size(), static_cast<std::size_t>(host::kScreenWidth * host::kScreenHeight));
}

TEST(Png, RewritesAfterChangesReadBackEqual) {
    // The writer compresses bands of rows and keeps the bytes of the bands
    // that did not change: each file must still read back whole and exact.
    TempDir dir;
    const int kBand = gdi::PngWriter::kBandRows;
    const int kHeight = 3 * kBand + 5;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(9) * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    struct Step {
        const char* what;
        int width, height;
        RECT change;  // pixels to change and hand over; empty for none
        bool differs;
    };
    const Step steps[] = {
        {"first picture", 9, kHeight, {}, true},
        {"unchanged", 9, kHeight, {}, false},
        {"first row of the second band", 9, kHeight, {4, kBand, 5, kBand + 1}, true},
        {"across two bands", 9, kHeight, {2, kBand - 1, 9, kBand + 1}, true},
        {"last row of the short last band", 9, kHeight, {0, kHeight - 1, 1, kHeight}, true},
        {"outside the picture", 9, kHeight, {9, 0, 12, kHeight + 4}, false},
        {"a smaller picture", 7, kBand + 1, {}, true},
        {"one row", 7, 1, {}, true},
    };
    gdi::PngWriter writer;
    const fs::path file = dir.path() / "screen.png";
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const host::PixelView view{pixels.data(), step.width, step.height, 9};
        const RECT all{0, 0, step.width, step.height};
        const RECT& handed = step.change.right > step.change.left ? step.change : all;
        for (int y = step.change.top; y < std::min<int>(step.change.bottom, kHeight); ++y)
            for (int x = step.change.left; x < std::min<int>(step.change.right, 9); ++x)
                view.pixels[y * view.stride + x] ^= 0x00A5A5A5;
        EXPECT_EQ(writer.Take(view, &handed, 1), step.differs);
        ASSERT_TRUE(writer.WriteAtomically(file.c_str()));
        int width = 0;
        int height = 0;
        const std::vector<std::uint32_t> back = ReadPng(file, &width, &height);
        ASSERT_EQ(width, step.width);
        ASSERT_EQ(height, step.height);
        int differences = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                differences += back[static_cast<std::size_t>(y * width + x)] != view.At(x, y);
        EXPECT_EQ(differences, 0);
    }
}

TEST(Png, AtomicWriteReplacesTheFileAndLeavesNoTemporary) {
    TempDir dir;
    gdi_test::Surface s(3, 3, gdi_test::kRed);
    const fs::path file = dir.path() / "shot.png";
    {
        std::FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("old", f);
        std::fclose(f);
    }
    ASSERT_TRUE(host::WritePngAtomically(s.pixels(), file.c_str()));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"shot.png"});
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> back = ReadPng(file, &width, &height);
    ASSERT_EQ(back.size(), 9u);
    EXPECT_EQ(back[4], gdi_test::kRed);
}

TEST(Png, FailuresAreReportedAndCleanedUp) {
    TempDir dir;
    gdi_test::Surface s(3, 3);
    const fs::path missing = dir.path() / "no" / "such.png";
    EXPECT_FALSE(host::WritePng(s.pixels(), missing.c_str()));
    EXPECT_FALSE(host::WritePngAtomically(s.pixels(), missing.c_str()));
    // A directory in the way of the rename.
    const fs::path blocked = dir.path() / "blocked";
    fs::create_directory(blocked);
    fs::create_directory(blocked / "inside");
    EXPECT_FALSE(host::WritePngAtomically(s.pixels(), blocked.c_str()));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"blocked"});
    EXPECT_FALSE(host::WritePng(host::PixelView{nullptr, 3, 3, 3}, (dir.path() / "a").c_str()));
    std::uint32_t one = 0;
    EXPECT_FALSE(host::WritePng(host::PixelView{&one, 0, 1, 1}, (dir.path() / "b").c_str()));
    EXPECT_FALSE(host::WritePng(host::PixelView{&one, 1, 1, 0}, (dir.path() / "c").c_str()));
    EXPECT_FALSE(host::WritePng(s.pixels(), nullptr));
    EXPECT_FALSE(host::WritePng(s.pixels(), ""));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"blocked"});
}

}  // namespace
