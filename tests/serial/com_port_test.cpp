// Reading the receiver's port on a pseudo-terminal: each read sized for the line rate.
#include <cstring>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/stderr_capture.h"

namespace serial_test {
namespace {

using ComPortTest = SerialFixture;

TEST_F(ComPortTest, ReadTakesWhatIsQueuedUpToItsLimit) {
    PtyPair& pty = AttachReceiver(1);
    HANDLE handle = OpenComPort(1);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    // Nothing queued: nothing read, the buffer untouched.
    std::memset(ReadBuffer, 0xA5, sizeof(ReadBuffer));
    EXPECT_EQ(ReadAvailable(handle), 0);
    EXPECT_EQ(ReadBuffer[0], 0xA5);

    const struct {
        std::size_t queued;
        int32_t limit;
        std::vector<int> reads;
    } cases[] = {{1, kMaxReadBytes, {1, 0}},
                 {2500, ReadLimitFor(CBR_4800), {2000, 500, 0}},
                 {3999, ReadLimitFor(CBR_38400), {3840, 159, 0}},
                 {3999, ReadLimitFor(CBR_115200), {3999, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.queued) + " limit " + std::to_string(c.limit));
        std::string bytes(c.queued, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 13);
        ASSERT_TRUE(pty.Write(bytes));
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

// A line whose far side has gone is a hung-up terminal, whose settings cannot
// be read: trying the next rate on it sets nothing and says so once,
// not on every trial.
TEST_F(ComPortTest, ALineWhoseSettingsCannotBeReadIsSaidOnceNotOnEveryTrial) {
    PtyPair& pty = AttachReceiver(3);
    CreateMainWindow();
    // The rate is followed by hand here: no tick may search or read.
    KillTimer(window_, TickTimer);
    KillTimer(window_, NoFixTimer);
    ComPort = OpenComPort(3);
    ASSERT_NE(ComPort, INVALID_HANDLE_VALUE);
    StartLineRate(ComPort, 3);
    ASSERT_EQ(LineRate, OpeningRate());
    pty.CloseMaster();

    host::ForgetReports();
    test_support::StderrCapture capture;
    HDC dc = GetDC(window_);
    // Bytes without a verified sentence: the first call starts the trial of
    // the opening rate, each later one tries the next rate.
    for (int trial = 0; trial < 4; ++trial) {
        FollowLineRate(dc, 100, 0);
        ASSERT_TRUE(RunUntil(host::NowMs() + kRateTrialMs));
    }
    ReleaseDC(window_, dc);
    EXPECT_EQ(LineRate, kTrialRates[3]);
    EXPECT_EQ(capture.Take(), "skymark: COM3: line settings cannot be read; left as they are\n");
}

}  // namespace
}  // namespace serial_test
