#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "platform/kernel/device_map.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::TempDir;

class FakeRoot {
  public:
    FakeRoot() {
        Dir("dev");
        Dir("dev/serial");
        Dir("dev/serial/by-id");
        Dir("sys");
        Dir("sys/class");
        Dir("sys/class/tty");
    }
    const std::string& Root() const { return dir_.Path(); }
    void Dir(const std::string& relative) { mkdir(dir_.File(relative).c_str(), 0755); }
    void Device(const std::string& relative) {
        test_support::WriteWholeFile(dir_.File(relative), "");
    }
    void Link(const std::string& relative, const std::string& target) {
        ASSERT_EQ(symlink(target.c_str(), dir_.File(relative).c_str()), 0) << relative;
    }
    void UartType(const std::string& name, const std::string& type) {
        Dir("sys/class/tty/" + name);
        test_support::WriteWholeFile(dir_.File("sys/class/tty/" + name + "/type"), type);
    }
    std::vector<std::string> Relative(const std::vector<std::string>& paths) const {
        std::vector<std::string> out;
        for (const std::string& p : paths) {
            out.push_back(p.compare(0, Root().size(), Root()) == 0 ? p.substr(Root().size()) : p);
        }
        return out;
    }

  private:
    TempDir dir_;
};

TEST(DeviceMap, OrdersGroupsAndNumbersNaturally) {
    FakeRoot root;
    for (const char* name :
         {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyAMA0", "ttyUSB10", "ttyUSB2", "ttyUSB0",
          "ttyACM1", "ttyACM0", "ttyUSBx", "ttyS", "tty0", "console"}) {
        root.Device(std::string("dev/") + name);
    }
    root.Link("dev/serial/by-id/usb-u-blox_GNSS-if00", "../../ttyACM1");
    root.Link("dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "../../ttyUSB2");
    root.Link("dev/serial/by-id/usb-dangling", "../../ttyUSB7");
    root.Link("dev/serial0", "ttyAMA0");
    root.UartType("ttyS0", "4\n");
    root.UartType("ttyS1", "0\n");
    root.UartType("ttyS10", "4\n");
    // ttyS2 has no type file: it does not count.

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
    EXPECT_EQ(root.Relative(kernel::ListSerialDevices(root.Root())), expected);
}

TEST(DeviceMap, EmptyRootHasNoDevices) {
    FakeRoot root;
    EXPECT_TRUE(kernel::ListSerialDevices(root.Root()).empty());
    EXPECT_TRUE(kernel::ListSerialDevices(root.Root() + "/missing").empty());
}

class PortSourceTest : public ::testing::Test {
  protected:
    void TearDown() override { test_support::UnsetComPortVariables(); }
};

TEST_F(PortSourceTest, VariableWinsEvenForAMissingPath) {
    test_support::MapNoComPorts();
    test_support::MapComPort(3, "/nonexistent/gps");
    char path[64];
    ASSERT_TRUE(host::PortSource(3, path, sizeof path));
    EXPECT_STREQ(path, "/nonexistent/gps");
    // Set but empty: no device at all.
    EXPECT_FALSE(host::PortSource(2, path, sizeof path));
    EXPECT_STREQ(path, "");
}

TEST_F(PortSourceTest, RefusesBadArgumentsAndShortBuffers) {
    test_support::MapComPort(1, "/dev/some/long/path");
    char path[8] = "xxxxxxx";
    EXPECT_FALSE(host::PortSource(1, path, sizeof path));
    EXPECT_STREQ(path, "");
    char big[64];
    EXPECT_FALSE(host::PortSource(0, big, sizeof big));
    EXPECT_FALSE(host::PortSource(10, big, sizeof big));
    EXPECT_FALSE(host::PortSource(-1, big, sizeof big));
    EXPECT_FALSE(host::PortSource(1, nullptr, 64));
    EXPECT_FALSE(host::PortSource(1, big, 0));
    ASSERT_TRUE(host::PortSource(1, big, sizeof big));
}

TEST_F(PortSourceTest, WithoutVariablesFollowsTheHostList) {
    test_support::UnsetComPortVariables();
    std::vector<std::string> host_devices = kernel::ListSerialDevices("");
    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        char path[256];
        bool found = host::PortSource(n, path, sizeof path);
        ASSERT_EQ(found, static_cast<std::size_t>(n) <= host_devices.size());
        if (found) {
            EXPECT_EQ(path, host_devices[static_cast<std::size_t>(n) - 1]);
        }
    }
}

}  // namespace
