// Ports whose source is a TCP stream or gpsd, against local servers.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "host/host.h"
#include "host/testing.h"
#include "tests/support/pty_pair.h"
#include "tests/support/stderr_capture.h"
#include "tests/support/tcp_server.h"
#include "win/kernel.h"

namespace {

using test_support::TcpServer;

using test_support::OpenPort;

// Bytes the port has queued, or -1 once it has failed.
long Queued(HANDLE port) {
    COMSTAT status{};
    return ClearCommError(port, nullptr, &status) ? static_cast<long>(status.cbInQue) : -1;
}

// Waits (a few seconds at most) until count bytes are queued or the port fails.
long WaitQueued(HANDLE port, std::size_t count) {
    long queued = Queued(port);
    for (int i = 0; i < 3000 && queued >= 0 && static_cast<std::size_t>(queued) < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        queued = Queued(port);
    }
    return queued;
}

std::string ReadQueued(HANDLE port) {
    std::string bytes(static_cast<std::size_t>(std::max(Queued(port), 0L)), '\0');
    DWORD got = 0;
    ReadFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

class NetSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::SetProgramName("probe");
        test_support::MapNoComPorts();
        host::ForgetReports();
    }
    void TearDown() override { test_support::UnmapComPorts(); }
};

TEST_F(NetSourceTest, SourceForms) {
    for (const char* good :
         {"/dev/ttyUSB0", "tcp://127.0.0.1:10110", "tcp://gps.local:2000", "tcp://[::1]:10110",
          "gpsd://", "gpsd://localhost", "gpsd://10.0.0.2:2948", "gpsd://[fe80::1%lo]", "udp://",
          "udp://:2000", "udp://127.0.0.1", "udp://192.168.1.255:10110", "udp://239.192.0.1:10110",
          "udp://[::]:10110", "udp://[ff02::1%lo]", "gpsd://localhost/dev/ttyACM0",
          "gpsd://[::1]:2948/dev/serial/by-id/usb-u-blox_GNSS", "gpsd:///dev/ttyUSB1"}) {
        EXPECT_EQ(host::SourceProblem(good), nullptr) << good;
    }
    const std::string tooLong = "gpsd://localhost/" + std::string(127, 'x');
    for (const char* bad : {"",
                            "ttyUSB0",
                            "tcp://127.0.0.1",
                            "tcp://:10110",
                            "tcp://host:0",
                            "tcp://host:65536",
                            "tcp://host:port",
                            "tcp://host:10110/",
                            "tcp://[::1:10110",
                            "gpsd://host:",
                            "tcp://a b:1",
                            "udp://gps.local:10110",
                            "udp://:0",
                            "udp://:",
                            "udp://[::1",
                            "udp://127.0.0.1:x",
                            "udp://::1",
                            "serial://ttyUSB0",
                            "gpsd://localhost/",
                            "gpsd://host:2947/dev/\"x",
                            "gpsd://host/dev/a\\b",
                            "gpsd://host/dev/\t",
                            "gpsd://host:x/dev/ttyACM0",
                            tooLong.c_str()}) {
        EXPECT_NE(host::SourceProblem(bad), nullptr) << bad;
    }
}

TEST_F(NetSourceTest, TcpSourceReadsLikeAPortAndFailsOnceTheServerHasClosedAndAllIsRead) {
    TcpServer server;
    ASSERT_TRUE(server.Ok());
    test_support::MapComPort(2, "tcp://127.0.0.1:" + std::to_string(server.Port()));
    HANDLE port = OpenPort(2);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(server.Accept(2000));

    COMMPROP properties{};
    ASSERT_TRUE(GetCommProperties(port, &properties));
    EXPECT_EQ(properties.dwProvSubType, PST_TCPIP_TELNET);
    EXPECT_EQ(properties.dwSettableParams, 0u);

    EXPECT_EQ(Queued(port), 0);
    ASSERT_TRUE(server.Send("$GPGGA,1*00\r\n"));
    ASSERT_EQ(WaitQueued(port, 13), 13);
    EXPECT_EQ(ReadQueued(port), "$GPGGA,1*00\r\n");

    // A purge drops what has arrived.
    ASSERT_TRUE(server.Send("stale"));
    ASSERT_EQ(WaitQueued(port, 5), 5);
    EXPECT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    EXPECT_EQ(Queued(port), 0);

    // What came before the close is still handed out; then the port fails.
    ASSERT_TRUE(server.Send("tail"));
    server.CloseClient();
    ASSERT_EQ(WaitQueued(port, 4), 4);
    EXPECT_EQ(ReadQueued(port), "tail");
    EXPECT_EQ(WaitQueued(port, 1), -1);
    char byte;
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(port, &byte, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(port));
}

// To the platform a gpsd source is a connection like any other: it sends nothing of its own,
// hands out every byte gpsd sends, carries what the program writes, and each open is a
// connection of its own.
TEST_F(NetSourceTest, GpsdSourceIsAConnectionThatCarriesBothWaysAndOpensAgain) {
    TcpServer server;
    ASSERT_TRUE(server.Ok());
    test_support::MapComPort(5,
                             "gpsd://127.0.0.1:" + std::to_string(server.Port()) + "/dev/ttyACM0");
    HANDLE first = OpenPort(5);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(server.Accept(2000));
    EXPECT_EQ(server.Receive(200), "");
    const int firstClient = server.DetachClient();

    HANDLE second = OpenPort(5);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(server.Accept(2000));

    const std::string watch = "?WATCH={\"enable\":true,\"json\":true}\n";
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(second, watch.data(), static_cast<DWORD>(watch.size()), &written, nullptr));
    EXPECT_EQ(written, watch.size());
    EXPECT_EQ(server.Receive(2000), watch);

    const std::string lines =
        "{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n"
        "$GPGGA,123519,4807.038,N*47\r\n\xb5\x62\x01\x07";
    ASSERT_TRUE(server.Send(lines));
    ASSERT_EQ(WaitQueued(second, lines.size()), static_cast<long>(lines.size()));
    EXPECT_EQ(ReadQueued(second), lines);
    EXPECT_EQ(Queued(first), 0);
    ASSERT_EQ(send(firstClient, "first", 5, MSG_NOSIGNAL), 5);
    ASSERT_EQ(WaitQueued(first, 5), 5);
    EXPECT_EQ(ReadQueued(first), "first");
    EXPECT_EQ(Queued(second), 0);
    close(firstClient);

    // The far side gone, the port fails once all it sent is read.
    server.CloseClient();
    EXPECT_EQ(WaitQueued(second, 1), -1);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(first));
}

// Whether the open fails at once or the port fails on its first reads
// depends on how fast the host refuses; either way it is said once.
TEST_F(NetSourceTest, ASourceThatCannotConnectFailsAndSaysWhyOnce) {
    const int closed = test_support::UnusedPort();
    ASSERT_NE(closed, 0);
    const std::string refused = "tcp://127.0.0.1:" + std::to_string(closed);
    test_support::MapComPort(3, refused);
    test_support::MapComPort(4, "udp://127.0.0.1:0");
    test_support::StderrCapture capture;
    for (int attempt = 0; attempt < 3; ++attempt) {
        HANDLE port = OpenPort(3);
        if (port != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(WaitQueued(port, 1), -1);
            EXPECT_TRUE(CloseHandle(port));
        }
        EXPECT_EQ(OpenPort(4), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(capture.Take(), "probe: COM3 (" + refused +
                                  "): cannot connect: Connection refused\n"
                                  "probe: COM4 (udp://127.0.0.1:0): not a source: the port is "
                                  "not a number from 1 to 65535\n");
}

// A host name is looked up in the background: the open returns at once, and
// until the connection stands the port is one with nothing to read.
TEST_F(NetSourceTest, ANameIsLookedUpWithoutWaiting) {
    TcpServer server;
    ASSERT_TRUE(server.Ok());
    test_support::MapComPort(1, "tcp://localhost:" + std::to_string(server.Port()));
    HANDLE port = OpenPort(1);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 3000 && !server.Accept(0); ++i) {
        EXPECT_EQ(Queued(port), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(server.Accept(0)) << "never connected";
    ASSERT_TRUE(server.Send("$GPGGA,1*00\r\n"));
    EXPECT_EQ(WaitQueued(port, 13), 13);
    EXPECT_TRUE(CloseHandle(port));
}

// Datagrams are handed out whole, in order of arrival, byte for byte; the
// source counts as answering once one came, and never fails when they stop.
TEST_F(NetSourceTest, UdpSourceHandsOutDatagramsInOrderAndNeverFails) {
    const int listen = test_support::UnusedUdpPort();
    ASSERT_NE(listen, 0);
    test_support::MapComPort(6, "udp://127.0.0.1:" + std::to_string(listen));
    HANDLE port = OpenPort(6);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    COMMPROP properties{};
    ASSERT_TRUE(GetCommProperties(port, &properties));
    EXPECT_EQ(properties.dwProvSubType, PST_NETWORK_BRIDGE);
    EXPECT_EQ(Queued(port), 0);

    std::string large(60000, 'x');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7);
    const std::string datagrams[] = {"$GPGGA,1*00\r\n$GPGSA,2*00\r\n",
                                     "",
                                     std::string("\0\xff$GPRMC,3", 10),
                                     large,
                                     large,
                                     "$GPGSV,4*00\r\n"};
    std::string sent;
    test_support::UdpSender sender;
    for (const std::string& d : datagrams) {
        ASSERT_TRUE(sender.Send(listen, d));
        sent += d;
    }
    std::string received;
    for (int i = 0; i < 3000 && received.size() < sent.size(); ++i) {
        WaitQueued(port, 1);
        received += ReadQueued(port);
    }
    EXPECT_TRUE(received == sent) << received.size() << " of " << sent.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Queued(port), 0) << "silence is not a failure";
    EXPECT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    EXPECT_TRUE(CloseHandle(port));
}

}  // namespace
