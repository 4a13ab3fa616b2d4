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
          "gpsd://", "gpsd://localhost", "gpsd://10.0.0.2:2948", "gpsd://[fe80::1%eth0]"}) {
        EXPECT_EQ(host::SourceProblem(good), nullptr) << good;
    }
    for (const char* bad :
         {"", "ttyUSB0", "tcp://127.0.0.1", "tcp://:10110", "tcp://host:0", "tcp://host:65536",
          "tcp://host:port", "tcp://host:10110/", "tcp://[::1:10110",
          "gpsd://host:", "udp://127.0.0.1:10110", "tcp://a b:1"}) {
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

TEST_F(NetSourceTest, ASourceThatCannotConnectIsAPortThatDidNotOpenAndSaysWhyOnce) {
    const int closed = test_support::UnusedPort();
    ASSERT_NE(closed, 0);
    const std::string refused = "tcp://127.0.0.1:" + std::to_string(closed);
    test_support::MapComPort(3, refused);
    test_support::MapComPort(4, "udp://127.0.0.1:9");
    test_support::StderrCapture capture;
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(OpenPort(3), INVALID_HANDLE_VALUE);
        EXPECT_EQ(OpenPort(4), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(capture.Take(), "skymark: COM3 (" + refused +
                                  "): cannot connect: Connection refused\n"
                                  "skymark: COM4 (udp://127.0.0.1:9): not a source: unknown kind "
                                  "of source (tcp:// or gpsd://)\n");
}

}  // namespace
