// Ports whose source is a TCP stream or gpsd, against local servers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "host/host.h"
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
        test_support::MapNoComPorts();
        host::ForgetReports();
    }
    void TearDown() override { test_support::UnsetComPortVariables(); }
};

TEST_F(NetSourceTest, SourceForms) {
    for (const char* good :
         {"/dev/ttyUSB0", "tcp://127.0.0.1:10110", "tcp://gps.local:2000", "tcp://[::1]:10110",
          "gpsd://", "gpsd://localhost", "gpsd://10.0.0.2:2948", "gpsd://[fe80::1%lo]", "udp://",
          "udp://:2000", "udp://127.0.0.1", "udp://192.168.1.255:10110", "udp://239.192.0.1:10110",
          "udp://[::]:10110", "udp://[ff02::1%lo]"}) {
        EXPECT_EQ(host::SourceProblem(good), nullptr) << good;
    }
    for (const char* bad :
         {"", "ttyUSB0", "tcp://127.0.0.1", "tcp://:10110", "tcp://host:0", "tcp://host:65536",
          "tcp://host:port", "tcp://host:10110/", "tcp://[::1:10110", "gpsd://host:", "tcp://a b:1",
          "udp://gps.local:10110", "udp://:0", "udp://:", "udp://[::1", "udp://127.0.0.1:x",
          "udp://::1", "serial://ttyUSB0"}) {
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

TEST_F(NetSourceTest, GpsdSourceAsksForRawSentencesAndPassesOnlyThem) {
    TcpServer server;
    ASSERT_TRUE(server.Ok());
    test_support::MapComPort(5, "gpsd://127.0.0.1:" + std::to_string(server.Port()));
    HANDLE port = OpenPort(5);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(server.Accept(2000));
    EXPECT_EQ(server.Receive(2000), "?WATCH={\"enable\":true,\"raw\":1}\n");

    const std::string gga = "$GPGGA,123519,4807.038,N*47\r\n";
    const std::string rmc = "$GPRMC,123519,A*6A\r\n";
    // JSON lines cut anywhere, also right after their '{' and inside their line end.
    const std::string pieces[] = {"{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n" + gga + "{",
                                  "\"class\":\"DEVICES\",\"devices\":[]}\r",
                                  "\n" + rmc.substr(0, 7),
                                  rmc.substr(7) + "{\"class\":\"WATCH\"}\r\n"};
    for (const std::string& piece : pieces) {
        ASSERT_TRUE(server.Send(piece));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_GE(Queued(port), 0);  // takes in what has arrived
    }
    WaitQueued(port, gga.size() + rmc.size());
    const std::string received = ReadQueued(port);
    EXPECT_EQ(received, gga + rmc);
    EXPECT_TRUE(CloseHandle(port));
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
    EXPECT_EQ(capture.Take(), "skymark: COM3 (" + refused +
                                  "): cannot connect: Connection refused\n"
                                  "skymark: COM4 (udp://127.0.0.1:0): not a source: the port is "
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
