// Ports whose source is a TCP stream or gpsd, against local servers.
#include <gtest/gtest.h>
#include <unistd.h>

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

HANDLE OpenPort(int number) {
    char16_t name[] = u"COM0:";
    name[3] = static_cast<char16_t>(u'0' + number);
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Waits (a few seconds at most) until the port reports at least count bytes
// queued; what ClearCommError last said.
BOOL WaitQueued(HANDLE port, DWORD count, DWORD* queued) {
    BOOL ok = FALSE;
    for (int i = 0; i < 3000; ++i) {
        COMSTAT status{};
        ok = ClearCommError(port, nullptr, &status);
        *queued = status.cbInQue;
        if (!ok || *queued >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ok;
}

std::string ReadQueued(HANDLE port) {
    DWORD queued = 0;
    COMSTAT status{};
    if (!ClearCommError(port, nullptr, &status)) return "";
    queued = status.cbInQue;
    std::string bytes(queued, '\0');
    DWORD got = 0;
    ReadFile(port, bytes.data(), queued, &got, nullptr);
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
    struct Case {
        const char* text;
        bool good;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", true},
        {"/dev/serial/by-id/usb-u-blox_GNSS-if00", true},
        {"tcp://127.0.0.1:10110", true},
        {"tcp://gps.local:2000", true},
        {"tcp://[::1]:10110", true},
        {"gpsd://", true},
        {"gpsd://localhost", true},
        {"gpsd://10.0.0.2:2948", true},
        {"gpsd://[fe80::1%eth0]", true},
        {"", false},
        {"ttyUSB0", false},
        {"tcp://127.0.0.1", false},
        {"tcp://:10110", false},
        {"tcp://host:0", false},
        {"tcp://host:65536", false},
        {"tcp://host:port", false},
        {"tcp://host:10110/", false},
        {"tcp://[::1:10110", false},
        {"gpsd://host:", false},
        {"udp://127.0.0.1:10110", false},
        {"tcp://a b:1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(host::SourceProblem(c.text) == nullptr, c.good);
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
    DCB dcb{};
    EXPECT_FALSE(GetCommState(port, &dcb));
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    EXPECT_FALSE(SetCommState(port, &dcb));

    DWORD queued = 0;
    EXPECT_TRUE(WaitQueued(port, 1, &queued));
    EXPECT_EQ(queued, 0u);
    ASSERT_TRUE(server.Send("$GPGGA,1*00\r\n"));
    ASSERT_TRUE(WaitQueued(port, 13, &queued));
    EXPECT_EQ(ReadQueued(port), "$GPGGA,1*00\r\n");

    // A purge drops what has arrived.
    ASSERT_TRUE(server.Send("stale"));
    ASSERT_TRUE(WaitQueued(port, 5, &queued));
    EXPECT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    EXPECT_TRUE(WaitQueued(port, 1, &queued));
    EXPECT_EQ(queued, 0u);

    // What came before the close is still handed out; then the port fails.
    ASSERT_TRUE(server.Send("tail"));
    server.CloseClient();
    ASSERT_TRUE(WaitQueued(port, 4, &queued));
    EXPECT_EQ(ReadQueued(port), "tail");
    EXPECT_FALSE(WaitQueued(port, 1, &queued));
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
    std::string received;
    for (const std::string& piece : pieces) {
        ASSERT_TRUE(server.Send(piece));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        received += ReadQueued(port);
    }
    DWORD queued = 0;
    if (received.size() < gga.size() + rmc.size()) {
        WaitQueued(port, static_cast<DWORD>(gga.size() + rmc.size() - received.size()), &queued);
        received += ReadQueued(port);
    }
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
