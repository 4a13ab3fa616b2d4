// Opening and reading the receiver's port, on pseudo-terminals.
#include <termios.h>

#include <cstring>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/line_rate.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

using ComPortTest = SerialFixture;

TEST_F(ComPortTest, EachNumberOpensItsOwnPort) {
    for (int port = 1; port <= 9; ++port) {
        SCOPED_TRACE(port);
        TearDown();
        SetUp();
        PtyPair& pty = AttachReceiver(port);
        for (int other = 1; other <= 9; ++other) {
            if (other == port) continue;
            EXPECT_EQ(OpenComPort(other), INVALID_HANDLE_VALUE) << other;
        }
        HANDLE handle = OpenComPort(port);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        const std::string digit = std::to_string(port);
        ASSERT_TRUE(pty.Write(digit));
        ASSERT_TRUE(pty.WaitQueued(1));
        EXPECT_EQ(ReadAvailable(handle), 1);
        EXPECT_EQ(ReadBuffer[0], static_cast<std::uint8_t>(digit[0]));
        EXPECT_TRUE(CloseHandle(handle));
    }
}

TEST_F(ComPortTest, NumbersOutsideOneToNineOpenNothing) {
    for (int port = 1; port <= 9; ++port)
        AttachReceiver(port);
    for (int number : {0, 10, -1, 58, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(OpenComPort(number), INVALID_HANDLE_VALUE);
    }
}

TEST_F(ComPortTest, PortIsHeldExclusivelyAt4800EightNoneOne) {
    PtyPair& pty = AttachReceiver(2);
    HANDLE handle = OpenComPort(2);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenComPort(2), INVALID_HANDLE_VALUE);

    termios line{};
    ASSERT_EQ(tcgetattr(pty.WatchFd(), &line), 0);
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B4800));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B4800));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);

    EXPECT_TRUE(CloseHandle(handle));
    HANDLE again = OpenComPort(2);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST_F(ComPortTest, ReadTakesWhatIsQueuedUpToItsLimit) {
    PtyPair& pty = AttachReceiver(1);
    HANDLE handle = OpenComPort(1);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    // Nothing queued: nothing read, the buffer untouched.
    std::memset(ReadBuffer, 0xA5, sizeof(ReadBuffer));
    EXPECT_EQ(ReadAvailable(handle), 0);
    for (int i = 0; i < kReadBufferSize; ++i)
        ASSERT_EQ(ReadBuffer[i], 0xA5) << i;

    struct Case {
        std::size_t queued;
        int32_t limit;
        std::vector<int> reads;
    };
    const Case cases[] = {{1, kMaxReadBytes, {1, 0}},
                          {2000, kMaxReadBytes, {2000, 0}},
                          {2001, kMaxReadBytes, {2000, 1, 0}},
                          {2500, kMaxReadBytes, {2000, 500, 0}},
                          {3999, kMaxReadBytes, {2000, 1999, 0}},
                          {3999, ReadLimitFor(CBR_115200), {3999, 0}},
                          {3999, ReadLimitFor(CBR_38400), {3840, 159, 0}},
                          {3999, kReadBufferSize * 2, {3999, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.queued) + " limit " + std::to_string(c.limit));
        std::vector<std::uint8_t> bytes(c.queued);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 13);
        ASSERT_TRUE(pty.Write(View(bytes)));
        ASSERT_TRUE(pty.WaitQueued(bytes.size()));
        std::size_t offset = 0;
        for (int expected : c.reads) {
            const int32_t got = ReadAvailable(handle, c.limit);
            ASSERT_EQ(got, expected);
            EXPECT_EQ(0, std::memcmp(ReadBuffer, bytes.data() + offset, got));
            offset += got;
            // Nothing is written past what a read took.
            EXPECT_EQ(ReadBuffer[kReadBufferSize - 1], 0xA5);
        }
    }
    CloseHandle(handle);
}

TEST_F(ComPortTest, AHungUpLineFailsAndDiscardsWhatIsLeft) {
    PtyPair& pty = AttachReceiver(1);
    HANDLE handle = OpenComPort(1);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(pty.Write("$GPRMC,lost"));
    ASSERT_TRUE(pty.WaitQueued(11));
    pty.CloseMaster();

    // The bytes left behind the hang-up are not delivered, now or later.
    EXPECT_EQ(ReadAvailable(handle), kPortFailed);
    EXPECT_LE(pty.Queued(), 0);
    EXPECT_EQ(ReadAvailable(handle), kPortFailed);
    CloseHandle(handle);
}

TEST_F(ComPortTest, HandlesThatAreNotPortsFail) {
    HANDLE file =
        CreateFileW(u"plain", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAvailable(file), kPortFailed);
    CloseHandle(file);
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, file}) {
        EXPECT_EQ(ReadAvailable(bad), kPortFailed);
    }
}

}  // namespace
}  // namespace serial_test
