// The headless display: its choice, and the PNG snapshots of the device screen
// it writes on the virtual clock.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "test_window.h"
#include "tests/support/png_file.h"
#include "tests/support/stderr_capture.h"
#include "tests/support/temp_dir.h"

namespace testwin {
namespace {

class SnapshotTest : public WmTest {
  protected:
    void SetUp() override {
        WmTest::SetUp();
        ASSERT_TRUE(dir_.Ok());
        StartWithSnapshotsTo(dir_.File("screen.png"));
        parent_ = CreateParent();
    }
    void StartWithSnapshotsTo(const std::string& path) {
        host::StopDisplay();
        path_ = path;
        host::DisplayChoice choice;
        choice.mode = host::DisplayChoice::Mode::kHeadless;
        choice.snapshot = path_.c_str();
        EXPECT_EQ(host::StartDisplay(choice), host::DisplayKind::kHeadless);
    }
    void TearDown() override {
        host::StopDisplay();
        WmTest::TearDown();
    }

    // Whether the snapshot file holds exactly the screen as it is now.
    bool ShowsTheScreen() {
        int width = 0;
        int height = 0;
        const std::vector<std::uint32_t> pixels = test_support::ReadPng(path_, &width, &height);
        return width == test_screen::kWidth &&
               pixels == Snapshot({0, 0, test_screen::kWidth, test_screen::kHeight});
    }

    test_support::TempDir dir_;
    std::string path_;
    HWND parent_ = nullptr;
};

TEST_F(SnapshotTest, WritesTheWholeScreenAtOnceAndLaterChangesWithin250Ms) {
    FillWindow(parent_, kRed);
    host::RunMessageLoopUntil(50);  // the first wait writes at once
    EXPECT_TRUE(ShowsTheScreen());
    // Drawn at 100 ms, within 250 ms of the first picture: written at 250 ms.
    host::RunMessageLoopUntil(100);
    FillWindow(parent_, kBlue);
    host::RunMessageLoopUntil(249);
    EXPECT_FALSE(ShowsTheScreen());
    host::RunMessageLoopUntil(250);
    EXPECT_TRUE(ShowsTheScreen());
}

TEST_F(SnapshotTest, OnlyAChangedScreenIsWrittenAgain) {
    FillWindow(parent_, kRed);
    host::RunMessageLoopUntil(50);
    ASSERT_TRUE(ShowsTheScreen());
    ASSERT_EQ(unlink(path_.c_str()), 0);
    // On every tick a part is blanked and drawn again as it was, as a field
    // that shows the same value: the display is handed changes, but the
    // screen is what it was, and nothing is written.
    const RECT spot{200, 150, 204, 153};
    for (std::uint64_t tick = 300; tick <= 1500; tick += 300) {
        FillWindow(parent_, kBlue, &spot);
        FillWindow(parent_, kRed, &spot);
        host::RunMessageLoopUntil(tick);
    }
    EXPECT_NE(access(path_.c_str(), F_OK), 0) << "an unchanged screen was written again";
    // A small change far from the corner is seen and written whole.
    FillWindow(parent_, kBlue, &spot);
    host::RunMessageLoopUntil(1800);
    EXPECT_TRUE(ShowsTheScreen());
}

TEST_F(SnapshotTest, AFailedWriteIsSaidOnceAndTriedAgainAtTheNextChange) {
    const std::string folder = dir_.File("missing");
    StartWithSnapshotsTo(folder + "/screen.png");
    test_support::StderrCapture capture;
    FillWindow(parent_, kRed);
    host::RunMessageLoopUntil(50);
    FillWindow(parent_, kBlue);
    host::RunMessageLoopUntil(400);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    FillWindow(parent_, kRed);
    host::RunMessageLoopUntil(800);
    EXPECT_TRUE(ShowsTheScreen());
    // Failing again the same way after a success is not said again.
    ASSERT_EQ(unlink(path_.c_str()), 0);
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    FillWindow(parent_, kBlue);
    host::RunMessageLoopUntil(1200);
    EXPECT_EQ(capture.Take(),
              "probe: snapshot " + path_ + " cannot be written: No such file or directory\n");
}

TEST_F(SnapshotTest, StoppingTheDisplayWritesWhatIsPending) {
    host::RunMessageLoopUntil(10);
    FillWindow(parent_, kBlue);
    host::RunMessageLoopUntil(20);
    EXPECT_FALSE(ShowsTheScreen());
    host::StopDisplay();
    EXPECT_TRUE(ShowsTheScreen());
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
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> saved[2];
    for (int i = 0; i < 2; ++i) {
        if (const char* value = std::getenv(names[i])) saved[i] = value;
        unsetenv(names[i]);
    }
    EXPECT_EQ(host::StartDisplay({}), host::DisplayKind::kHeadless);
    host::StopDisplay();
    setenv("DISPLAY", ":12345", 1);
    host::DisplayChoice headless;
    headless.mode = host::DisplayChoice::Mode::kHeadless;
    EXPECT_EQ(host::StartDisplay(headless), host::DisplayKind::kHeadless);
    EXPECT_FALSE(SdlMapped()) << "a headless program never maps the SDL library";
    host::StopDisplay();
    for (int i = 0; i < 2; ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
}

}  // namespace
}  // namespace testwin
