// The README's legend is what the program draws today.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/png_file.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Legend, DocsPictureIsTheProgramsDrawing) {
    test_support::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string fresh = dir.File("legend.png");
    const test_support::Child legend =
        test_support::Spawn({SKYMARK_LEGEND_PATH, fresh}, {}, "", false);
    ASSERT_EQ(test_support::WaitExit(legend.pid), 0);
    int width = 0, height = 0, docsWidth = 0, docsHeight = 0;
    const std::vector<uint32_t> drawn = test_support::ReadPng(fresh, &width, &height);
    const std::vector<uint32_t> docs =
        test_support::ReadPng(SKYMARK_DOCS_DIR "/legend.png", &docsWidth, &docsHeight);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(width, docsWidth);
    EXPECT_EQ(height, docsHeight);
    EXPECT_TRUE(drawn == docs) << "docs/legend.png is stale: make screenshots";
    // Blue where used, white where only in view, black outlines: all there.
    int blue = 0, black = 0;
    for (const uint32_t p : drawn) {
        blue += p == 0xFF0000;
        black += p == 0x000000;
    }
    EXPECT_GT(blue, 7 * (300 + 300));
    EXPECT_GT(black, 7 * 4 * 60);
}

}  // namespace
