// PNG pictures written and read back with libpng.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/png_writer.h"
#include "surface.h"
#include "tests/support/png_file.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using test_support::ReadPng;

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

// The picture's pixels, stride left out.
std::vector<std::uint32_t> Pixels(const host::PixelView& v) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            out.push_back(v.At(x, y));
    return out;
}

TEST(Png, RewritesAfterChangesReadBackEqual) {
    // The writer compresses bands of rows and keeps the bytes of the bands
    // that did not change: each file must still read back whole and exact,
    // also when the rows are wider than the picture.
    test_support::TempDir dir;
    const int kBand = gdi::PngWriter::kBandRows;
    const int kHeight = 3 * kBand + 5;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(9) * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    const struct {
        const char* what;
        int width, height;
        RECT change;  // pixels to change and hand over; empty for none
        bool differs;
    } steps[] = {
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
    const std::string file = dir.File("screen.png");
    for (const auto& step : steps) {
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
        EXPECT_EQ(ReadPng(file, &width, &height), Pixels(view));
        EXPECT_EQ(width, step.width);
    }
}

TEST(Png, FailuresAreReportedAndCleanedUp) {
    test_support::TempDir dir;
    gdi_test::Surface s(3, 3);
    const std::string missing = dir.File("no/such.png");
    EXPECT_FALSE(host::WritePng(s.pixels(), missing.c_str()));
    gdi::PngWriter writer;
    ASSERT_TRUE(writer.Take(s.pixels(), nullptr, 0));
    EXPECT_FALSE(writer.WriteAtomically(missing.c_str()));
    // A directory in the way of the rename.
    const std::string blocked = dir.File("blocked");
    fs::create_directories(blocked + "/inside");
    EXPECT_FALSE(writer.WriteAtomically(blocked.c_str()));
    std::uint32_t one = 0;
    EXPECT_FALSE(host::WritePng(host::PixelView{nullptr, 3, 3, 3}, dir.File("a").c_str()));
    EXPECT_FALSE(host::WritePng(host::PixelView{&one, 0, 1, 1}, dir.File("b").c_str()));
    EXPECT_FALSE(host::WritePng(host::PixelView{&one, 1, 1, 0}, dir.File("c").c_str()));
    EXPECT_FALSE(host::WritePng(s.pixels(), nullptr));
    EXPECT_FALSE(host::WritePng(s.pixels(), ""));
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"blocked"});
}

}  // namespace
