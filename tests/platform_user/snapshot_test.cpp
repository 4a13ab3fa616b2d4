// The headless display: its choice, and the PNG snapshots of the device screen
// it writes on the virtual clock.
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/png_file.h"
#include "tests/support/temp_dir.h"
#include "wm_fixture.h"

namespace wmtest {
namespace {

using test_support::ReadPng;

class SnapshotTest : public WmTest {
  protected:
    void SetUp() override {
        WmTest::SetUp();
        ASSERT_TRUE(dir_.Ok());
        path_ = dir_.File("screen.png");
        setenv("SKYMARK_DISPLAY", "headless", 1);
        setenv("SKYMARK_SNAPSHOT", path_.c_str(), 1);
        EXPECT_EQ(host::StartDisplay(), host::DisplayKind::kHeadless);
    }
    void TearDown() override {
        host::StopDisplay();
        unsetenv("SKYMARK_DISPLAY");
        unsetenv("SKYMARK_SNAPSHOT");
        WmTest::TearDown();
    }

    COLORREF SnapshotAt(int x, int y) {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels = ReadPng(path_, &width, &height);
        if (pixels.empty() || x >= width || y >= height) return 0xFFFFFFFF;
        return pixels[static_cast<std::size_t>(y) * width + x];
    }

    test_support::TempDir dir_;
    std::string path_;
};

TEST_F(SnapshotTest, WritesTheWholeScreenAndLaterChangesWithin250Ms) {
    HWND main = CreateMain();
    FillWindow(main, kRed);
    SetTimer(main, 1, 100, nullptr);
    SetHook([](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_TIMER) return false;
        KillTimer(window, 1);
        FillWindow(window, kBlue);
        *result = 0;
        return true;
    });
    // The first wait writes at once.
    host::RunMessageLoopUntil(50);
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels = ReadPng(path_, &width, &height);
    ASSERT_EQ(width, host::kScreenWidth);
    ASSERT_EQ(height, host::kScreenHeight);
    host::PixelView screen = host::ScreenPixels();
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixels[static_cast<std::size_t>(y) * width + x] != (screen.At(x, y) & 0xFFFFFF)) {
                ++differences;
            }
        }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(SnapshotAt(5, 5), kRed);

    // Drawn at 100 ms, within 250 ms of the first picture: written at 250 ms.
    host::RunMessageLoopUntil(249);
    EXPECT_EQ(ScreenAt(5, 5), kBlue);
    EXPECT_EQ(SnapshotAt(5, 5), kRed);
    host::RunMessageLoopUntil(250);
    EXPECT_EQ(SnapshotAt(5, 5), kBlue);
}

TEST_F(SnapshotTest, StoppingTheDisplayWritesWhatIsPending) {
    HWND main = CreateMain();
    host::RunMessageLoopUntil(10);
    FillWindow(main, kBlue);
    host::RunMessageLoopUntil(20);
    EXPECT_NE(SnapshotAt(5, 5), kBlue);
    host::StopDisplay();
    EXPECT_EQ(SnapshotAt(5, 5), kBlue);
}

bool SdlMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libSDL2") != std::string::npos) return true;
    }
    return false;
}

TEST(DisplaySelection, WithoutADesktopDisplayOrWhenAskedItIsHeadlessWithoutSdl) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    } saved[] = {
        {"DISPLAY", "", false}, {"WAYLAND_DISPLAY", "", false}, {"SKYMARK_DISPLAY", "", false}};
    for (Saved& s : saved) {
        if (const char* v = std::getenv(s.name)) {
            s.value = v;
            s.set = true;
        }
        unsetenv(s.name);
    }
    EXPECT_EQ(host::StartDisplay(), host::DisplayKind::kHeadless);
    host::StopDisplay();
    setenv("SKYMARK_DISPLAY", "headless", 1);
    setenv("DISPLAY", ":12345", 1);
    EXPECT_EQ(host::StartDisplay(), host::DisplayKind::kHeadless);
    EXPECT_FALSE(SdlMapped()) << "a headless program never maps the SDL library";
    host::StopDisplay();
    for (Saved& s : saved) {
        if (s.set) {
            setenv(s.name, s.value.c_str(), 1);
        } else {
            unsetenv(s.name);
        }
    }
}

}  // namespace
}  // namespace wmtest
