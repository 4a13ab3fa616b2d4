#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "platform/kernel/device_map.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::TempDir;
using test_support::WriteWholeFile;

TEST(DeviceMap, OrdersGroupsAndNumbersNaturally) {
    TempDir root;
    const auto at = [&root](const std::string& relative) { return root.File(relative); };
    for (const char* dir :
         {"dev", "dev/serial", "dev/serial/by-id", "sys", "sys/class", "sys/class/tty",
          "sys/class/tty/ttyS0", "sys/class/tty/ttyS1", "sys/class/tty/ttyS10"}) {
        mkdir(at(dir).c_str(), 0755);
    }
    for (const char* name :
         {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyAMA0", "ttyUSB10", "ttyUSB2", "ttyUSB0",
          "ttyACM1", "ttyACM0", "ttyUSBx", "ttyS", "tty0", "console"}) {
        WriteWholeFile(at(std::string("dev/") + name), "");
    }
    for (const auto& [link, target] :
         {std::pair{"dev/serial/by-id/usb-u-blox_GNSS-if00", "../../ttyACM1"},
          {"dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "../../ttyUSB2"},
          {"dev/serial/by-id/usb-dangling", "../../ttyUSB7"},
          {"dev/serial0", "ttyAMA0"}}) {
        ASSERT_EQ(symlink(target, at(link).c_str()), 0) << link;
    }
    // A UART of type 0 is not there; ttyS2 has no type file and does not count.
    for (const auto& [tty, type] : {std::pair{"ttyS0", "4\n"}, {"ttyS1", "0\n"}, {"ttyS10", "4\n"}})
        WriteWholeFile(at(std::string("sys/class/tty/") + tty + "/type"), type);

    std::vector<std::string> expected = {
        "/dev/serial/by-id/usb-Prolific_PL2303-if00-port0",
        "/dev/serial/by-id/usb-u-blox_GNSS-if00",
        "/dev/ttyACM0",
        "/dev/ttyUSB0",
        "/dev/ttyUSB10",
        "/dev/serial0",
        "/dev/ttyS0",
        "/dev/ttyS10",
    };
    for (std::string& path : expected)
        path = root.Path() + path;
    EXPECT_EQ(kernel::ListSerialDevices(root.Path()), expected);
    EXPECT_TRUE(kernel::ListSerialDevices(root.Path() + "/missing").empty());
}

// Folders that last changed long ago, as /dev is between hotplugs: the device
// list is then kept between lookups, and must still follow every change.
void MakeOld(const std::string& folder) {
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), old, 0), 0) << folder;
}

TEST(DeviceMap, KeptListFollowsEveryChangeOfTheDevices) {
    TempDir root;
    const auto at = [&root](const std::string& relative) { return root.File(relative); };
    ASSERT_EQ(mkdir(at("dev").c_str(), 0755), 0);
    WriteWholeFile(at("dev/ttyUSB0"), "");
    const auto devices = [&root]() {
        std::vector<std::string> names;
        for (const std::string& path : kernel::CurrentSerialDevices(root.Path()))
            names.push_back(path.substr(root.Path().size()));
        return names;
    };
    const struct {
        const char* change;
        std::function<void()> make;
        std::vector<std::string> expected;
    } steps[] = {
        {"nothing yet", [] {}, {"/dev/ttyUSB0"}},
        {"a receiver plugged in",
         [&] { WriteWholeFile(at("dev/ttyACM0"), ""); },
         {"/dev/ttyACM0", "/dev/ttyUSB0"}},
        {"udev names it",
         [&] {
             ASSERT_EQ(mkdir(at("dev/serial").c_str(), 0755), 0);
             ASSERT_EQ(mkdir(at("dev/serial/by-id").c_str(), 0755), 0);
             MakeOld(at("dev/serial/by-id"));
             ASSERT_EQ(symlink("../../ttyACM0", at("dev/serial/by-id/usb-gnss").c_str()), 0);
         },
         {"/dev/serial/by-id/usb-gnss", "/dev/ttyUSB0"}},
        {"the adapter pulled out",
         [&] { ASSERT_EQ(unlink(at("dev/ttyUSB0").c_str()), 0); },
         {"/dev/serial/by-id/usb-gnss"}},
        {"its name gone",
         [&] { ASSERT_EQ(unlink(at("dev/serial/by-id/usb-gnss").c_str()), 0); },
         {"/dev/ttyACM0"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.change);
        step.make();
        EXPECT_EQ(devices(), step.expected);
        // Once settled, the same list comes back from what was kept.
        MakeOld(at("dev"));
        if (access(at("dev/serial/by-id").c_str(), F_OK) == 0) MakeOld(at("dev/serial/by-id"));
        EXPECT_EQ(devices(), step.expected);
        EXPECT_EQ(devices(), step.expected);
    }
}

class PortSourceTest : public ::testing::Test {
  protected:
    void TearDown() override { test_support::UnmapComPorts(); }
};

TEST_F(PortSourceTest, GivenSourcesWinEvenForMissingPathsAndAreNeverCut) {
    test_support::MapNoComPorts();
    test_support::MapComPort(3, "/nonexistent/gps");
    char path[64] = "x";
    ASSERT_TRUE(host::PortSource(3, path, sizeof path));
    EXPECT_STREQ(path, "/nonexistent/gps");
    // Given but empty: no device at all.
    EXPECT_FALSE(host::PortSource(2, path, sizeof path));
    EXPECT_STREQ(path, "");
    // A path that does not fit with its terminator is refused, not cut.
    EXPECT_FALSE(host::PortSource(3, path, 16));
    EXPECT_TRUE(host::PortSource(3, path, 17));
    // Ports are COM1 to COM9.
    EXPECT_FALSE(host::SetPortSource(0, "/dev/x"));
    EXPECT_FALSE(host::SetPortSource(10, "/dev/x"));
    EXPECT_FALSE(host::PortSource(10, path, sizeof path));
}

}  // namespace
