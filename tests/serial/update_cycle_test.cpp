// The update tick and the log, through the real window manager on the virtual clock.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/sentence_assembler.h"
#include "serial/com_port.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

const std::string& kGga = test_support::kQueuedGga;
constexpr std::uint64_t kChosenMs = 2300;  // COM1 with data queued is chosen here

// Starts with COM1 holding data, runs the search that chooses it.
class UpdateTest : public SerialFixture {
  protected:
    PtyPair& StartWithReceiver() {
        PtyPair& pty = AttachTalkingReceiver(1);
        CreateMainWindow();
        EXPECT_TRUE(RunUntil(kChosenMs + 10));
        EXPECT_EQ(SearchPending, 0);
        return pty;
    }
    // Sends the bytes, then runs the tick that reads them.
    void SendBeforeNextTick(PtyPair& pty, std::string_view bytes) {
        if (!bytes.empty()) {
            ASSERT_TRUE(pty.Write(bytes));
            ASSERT_TRUE(pty.WaitQueued(bytes.size()));
        }
        ASSERT_TRUE(RunUntil(NextTickAt() + 10));
    }
    std::uint64_t NextTickAt() const { return Seen.ticks.back().end + 300; }
};

TEST_F(UpdateTest, LogHoldsExactlyTheBytesReadAcrossManyTicks) {
    PtyPair& pty = StartWithReceiver();
    ClickLog();
    ASSERT_TRUE(RunUntil(kChosenMs + 50));
    ASSERT_EQ(LoggingEnabled, 1);
    EXPECT_TRUE(LogExists());
    EXPECT_EQ(ReadLog(), "");

    std::mt19937 random(20261206);
    std::vector<std::vector<std::uint8_t>> chunks;
    std::vector<std::uint8_t> everyValue(256);
    for (int i = 0; i < 256; ++i)
        everyValue[i] = static_cast<std::uint8_t>(i);
    chunks.push_back(everyValue);
    for (std::size_t size : {1, 2000, 0, 17, 1999, 3, 700, 82}) {
        std::vector<std::uint8_t> chunk(size);
        for (auto& byte : chunk)
            byte = static_cast<std::uint8_t>(random());
        // Some whole sentences among the noise.
        if (size > 200) std::memcpy(chunk.data() + 100, kGga.data(), kGga.size());
        chunks.push_back(chunk);
    }
    const std::string twice = kGga + kGga;
    chunks.emplace_back(twice.begin(), twice.end());

    std::string expected;
    for (const auto& chunk : chunks) {
        SCOPED_TRACE(chunk.size());
        const std::size_t ticksBefore = Seen.ticks.size();
        SendBeforeNextTick(pty, View(chunk));
        ASSERT_EQ(Seen.ticks.size(), ticksBefore + 1);
        expected.append(chunk.begin(), chunk.end());
        EXPECT_EQ(pty.Queued(), 0);
        EXPECT_EQ(Seen.ticks.back().caption, u"Stop");
        ASSERT_EQ(ReadLog(), expected);
    }

    // Switching off and on again starts a new, empty file.
    ClickLog();
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    EXPECT_EQ(Seen.logCommandsDone, 3);
    EXPECT_EQ(LoggingEnabled, 1);
    EXPECT_EQ(ReadLog(), "");
    SendBeforeNextTick(pty, std::string("xyz"));
    EXPECT_EQ(ReadLog(), "xyz");
}

TEST_F(UpdateTest, AtMost2000BytesATickTheRestOnTheNext) {
    PtyPair& pty = StartWithReceiver();
    ClickLog();
    ASSERT_TRUE(RunUntil(kChosenMs + 50));
    std::vector<std::uint8_t> bytes(2500);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);

    SendBeforeNextTick(pty, View(bytes));
    EXPECT_EQ(ReadLog(), std::string(bytes.begin(), bytes.begin() + 2000));
    EXPECT_EQ(pty.Queued(), 500);
    SendBeforeNextTick(pty, {});
    EXPECT_EQ(ReadLog(), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(pty.Queued(), 0);
}

TEST_F(UpdateTest, LogPressedTwiceBetweenTicksLeavesAnEmptyClosedFile) {
    {
        FILE* old = std::fopen("NMEADataLog.TXT", "wb");
        ASSERT_NE(old, nullptr);
        std::fputs("an earlier run", old);
        std::fclose(old);
    }
    PtyPair& pty = StartWithReceiver();
    ClickLog();
    ClickLog();
    ASSERT_TRUE(RunUntil(kChosenMs + 50));
    EXPECT_EQ(Seen.logCommandsDone, 2);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(LogFile, nullptr);
    EXPECT_TRUE(LogExists());
    EXPECT_EQ(ReadLog(), "");
    // Nobody writes it any more.
    HANDLE writer = CreateFileW(u"NMEADataLog.TXT", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

    SendBeforeNextTick(pty, std::string(kGga));
    SendBeforeNextTick(pty, std::string(kGga));
    EXPECT_EQ(ReadLog(), "");
    for (const TickRecord& tick : Seen.ticks)
        EXPECT_EQ(tick.caption, u"Log");
}

TEST_F(UpdateTest, LoggingSwitchedOnBeforeAPortIsFound) {
    PtyPair& pty = AttachTalkingReceiver(1);
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(500));
    ClickLog();
    ASSERT_TRUE(RunUntil(600));
    EXPECT_EQ(LoggingEnabled, 1);
    EXPECT_TRUE(LogExists());
    EXPECT_EQ(ReadLog(), "");

    // The search's probe bytes are not logged and the button waits for the first update.
    ASSERT_TRUE(RunUntil(kChosenMs + 10));
    ASSERT_EQ(Seen.ticks.size(), 1u);
    EXPECT_EQ(Seen.ticks[0].caption, u"Log");
    EXPECT_EQ(ReadLog(), "");

    SendBeforeNextTick(pty, std::string("after"));
    EXPECT_EQ(Seen.ticks.back().caption, u"Stop");
    EXPECT_EQ(ReadLog(), "after");
}

TEST_F(UpdateTest, OpenErrorKeepsLoggingOffAndTheNextPressTriesAgain) {
    // Not even root can create a file where a folder of that name stands.
    ASSERT_EQ(mkdir("NMEADataLog.TXT", 0755), 0);
    PtyPair& pty = StartWithReceiver();

    std::size_t ticksAtClick = 0;
    int ticksDuringBox = 0;
    std::vector<std::uint32_t> screenUnderBox;
    OnClock([&](std::uint64_t) {
        if (!Seen.inLogCommand || !screenUnderBox.empty()) return;
        ticksDuringBox = static_cast<int>(Seen.ticks.size() - ticksAtClick);
        // Let the ticks run under the box for a while, then press Enter on it.
        if (ticksDuringBox >= 3) {
            screenUnderBox = ScreenSnapshot();
            PressEnter();
        }
    });
    ticksAtClick = Seen.ticks.size();
    ClickLog();
    ASSERT_TRUE(RunUntil(kChosenMs + 3000));
    EXPECT_GE(ticksDuringBox, 3);
    EXPECT_EQ(Seen.logCommandsDone, 1);
    EXPECT_FALSE(Seen.inLogCommand);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(LogFile, nullptr);
    for (const TickRecord& tick : Seen.ticks)
        EXPECT_EQ(tick.caption, u"Log");

    // Once the name is free again the next press opens the log.
    ASSERT_EQ(rmdir("NMEADataLog.TXT"), 0);
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    EXPECT_EQ(LoggingEnabled, 1);
    SendBeforeNextTick(pty, std::string("ok"));
    EXPECT_EQ(Seen.ticks.back().caption, u"Stop");
    EXPECT_EQ(ReadLog(), "ok");
    EXPECT_TRUE(ShowsMessageBox(screenUnderBox, u"Open Error"));
}

// Caps every file this process writes, as a full store would; a write past the
// cap fails with EFBIG instead of raising SIGXFSZ. Both are restored after.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, savedHandler_);
    }
    bool Ok() const { return ok_; }

  private:
    rlimit saved_{};
    sighandler_t savedHandler_ = SIG_DFL;
    bool ok_ = false;
};

// The log keeps every byte that reached it: the ticks before the failing one
// and the head of the failing chunk that still fitted.
TEST_F(UpdateTest, LogWriteFailureEndsLoggingWithAWriteErrorBox) {
    constexpr std::size_t kLimit = 1000;
    const struct {
        const char* name;
        std::vector<std::size_t> ticks;  // bytes read by each tick
    } cases[] = {{"a write crosses the limit", {600, 600}},
                 {"the previous tick reached the limit exactly", {500, 500, 1}}};
    PtyPair& pty = StartWithReceiver();

    int boxes = 0;
    std::u16string captionUnderBox;
    std::vector<std::uint32_t> screenUnderBox;
    OnClock([&](std::uint64_t) {
        // Update ticks never pause: a clock step inside one is the box's own loop.
        if (!Seen.inTick) return;
        ++boxes;
        captionUnderBox = LogButtonText();
        screenUnderBox = ScreenSnapshot();
        PressEnter();
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickLog();
        ASSERT_TRUE(RunUntil(host::NowMs() + 10));
        ASSERT_EQ(LoggingEnabled, 1);
        boxes = 0;
        std::string sent;
        {
            FileSizeLimit limit(kLimit);
            ASSERT_TRUE(limit.Ok());
            for (std::size_t size : c.ticks) {
                std::string chunk(size, '\0');
                for (std::size_t i = 0; i < size; ++i)
                    chunk[i] = static_cast<char>('A' + (sent.size() + i) % 26);
                SendBeforeNextTick(pty, chunk);
                sent += chunk;
            }
        }
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(captionUnderBox, u"Log");
        EXPECT_EQ(Seen.ticks.back().caption, u"Log");
        EXPECT_EQ(LoggingEnabled, 0);
        EXPECT_EQ(LogFile, nullptr);
        EXPECT_EQ(ReadLog(), sent.substr(0, kLimit));

        // Logging stays off: later bytes go nowhere and nothing more is said.
        SendBeforeNextTick(pty, "more");
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(Seen.ticks.back().caption, u"Log");
        EXPECT_EQ(ReadLog(), sent.substr(0, kLimit));
    }

    EXPECT_TRUE(ShowsMessageBox(screenUnderBox, u"Write Error"));
}

TEST_F(UpdateTest, EveryTickHandsItsBytesToTheSentenceStream) {
    PtyPair& pty = StartWithReceiver();
    Nav.ggaLatitude = 0;
    SendBeforeNextTick(pty, kGga);
    // The sentence waits for the next '$', which comes alone in the following tick.
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
    SendBeforeNextTick(pty, "$");
    EXPECT_FLOAT_EQ(Nav.ggaLatitude, 4807.038f);
    EXPECT_EQ(Assembler.sentenceLength, 1);
}

struct CounterCase {
    std::int32_t seconds;
    std::u16string text;
};

TEST_F(UpdateTest, NoFixCounterIsDrawnOnEveryTick) {
    const CounterCase cases[] = {{0, u"  0s"}, {7, u"  7s"}, {-5, u" -5s"}, {1234, u"1234s"}};
    PtyPair& pty = StartWithReceiver();
    for (const CounterCase& c : cases) {
        SCOPED_TRACE(c.seconds);
        Nav.noFixSeconds = c.seconds;
        // A tick that reads nothing still draws the counter.
        SendBeforeNextTick(pty, {});
        EXPECT_TRUE(ScreenShowsText(c.text, RECT{0, 100, 25, 135}, DT_SINGLELINE));
    }
}

}  // namespace
}  // namespace serial_test
