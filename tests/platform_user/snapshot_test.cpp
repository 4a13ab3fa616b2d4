// The headless display: its choice, and the PNG snapshots of the device screen
// it writes on the virtual clock.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/png_file.h"
#include "tests/support/stderr_capture.h"
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
        setenv("SKYMARK_DISPLAY", "headless", 1);
        StartWithSnapshotsTo(dir_.File("screen.png"));
    }
    void StartWithSnapshotsTo(const std::string& path) {
        host::StopDisplay();
        path_ = path;
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

    // Pixels of the snapshot that differ from the screen; -1 when it cannot be read.
    int DifferencesFromScreen() {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels = ReadPng(path_, &width, &height);
        if (width != host::kScreenWidth || height != host::kScreenHeight) return -1;
        host::PixelView screen = host::ScreenPixels();
        int differences = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (pixels[static_cast<std::size_t>(y) * width + x] !=
                    (screen.At(x, y) & 0xFFFFFF)) {
                    ++differences;
                }
            }
        }
        return differences;
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
    EXPECT_EQ(DifferencesFromScreen(), 0);
    EXPECT_EQ(SnapshotAt(5, 5), kRed);

    // Drawn at 100 ms, within 250 ms of the first picture: written at 250 ms.
    host::RunMessageLoopUntil(249);
    EXPECT_EQ(ScreenAt(5, 5), kBlue);
    EXPECT_EQ(SnapshotAt(5, 5), kRed);
    host::RunMessageLoopUntil(250);
    EXPECT_EQ(SnapshotAt(5, 5), kBlue);
}

TEST_F(SnapshotTest, OnlyAChangedScreenIsWrittenAgain) {
    HWND main = CreateMain();
    FillWindow(main, kRed);
    host::RunMessageLoopUntil(50);
    ASSERT_EQ(SnapshotAt(5, 5), kRed);
    ASSERT_EQ(unlink(path_.c_str()), 0);
    // On every tick a part is blanked and drawn again as it was, as a field
    // that shows the same value: the display is handed changes, but the
    // screen is what it was, and nothing is written.
    const RECT spot{200, 150, 204, 153};
    for (std::uint64_t tick = 300; tick <= 1500; tick += 300) {
        FillWindow(main, kBlue, &spot);
        FillWindow(main, kRed, &spot);
        host::RunMessageLoopUntil(tick);
    }
    EXPECT_NE(access(path_.c_str(), F_OK), 0) << "an unchanged screen was written again";
    // A small change far from the corner is seen and written whole.
    FillWindow(main, kBlue, &spot);
    host::RunMessageLoopUntil(1800);
    EXPECT_EQ(DifferencesFromScreen(), 0);
    EXPECT_EQ(SnapshotAt(5, 5), kRed);
}

TEST_F(SnapshotTest, AFailedWriteIsSaidOnceAndTriedAgainAtTheNextChange) {
    const std::string folder = dir_.File("missing");
    StartWithSnapshotsTo(folder + "/screen.png");
    test_support::StderrCapture capture;
    HWND main = CreateMain();
    FillWindow(main, kRed);
    host::RunMessageLoopUntil(50);
    FillWindow(main, kBlue);
    host::RunMessageLoopUntil(400);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    FillWindow(main, kRed);
    host::RunMessageLoopUntil(800);
    EXPECT_EQ(DifferencesFromScreen(), 0);
    // Failing again the same way after a success is not said again.
    ASSERT_EQ(unlink(path_.c_str()), 0);
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    FillWindow(main, kBlue);
    host::RunMessageLoopUntil(1200);
    EXPECT_EQ(capture.Take(),
              "skymark: snapshot " + path_ + " cannot be written: No such file or directory\n");
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
