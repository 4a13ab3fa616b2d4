// The update tick and the log, through the real window manager on the virtual clock.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/write_back_store.h"

namespace serial_test {
namespace {

// COM1 holds data and is chosen by the first search, at 2300 ms.
class UpdateTest : public SerialFixture {
  protected:
    PtyPair& StartWithReceiver() {
        PtyPair& pty = AttachReceiver(1, true);
        CreateMainWindow();
        EXPECT_TRUE(RunUntil(2310));
        EXPECT_EQ(SearchPending, 0);
        return pty;
    }
    // Sends the bytes, then runs the tick that reads them.
    void SendBeforeNextTick(PtyPair& pty, const std::string& bytes) {
        Talk(pty, bytes);
        ASSERT_TRUE(RunUntil(Seen.ticks.back().end + 310));
    }
    void ClickLogNow() {
        ClickLog();
        ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    }
};

TEST_F(UpdateTest, LogHoldsExactlyTheBytesReadAndStartsAfreshEachTime) {
    ASSERT_TRUE(test_support::WriteWholeFile("NMEADataLog.TXT", "an earlier run"));
    PtyPair& pty = StartWithReceiver();
    ClickLogNow();
    ASSERT_EQ(LoggingEnabled, 1);
    EXPECT_EQ(ReadLog(), "");

    std::mt19937 random(20261206);
    std::string expected;
    for (std::size_t size : {256, 1, 2000, 0, 17, 1999, 700}) {
        SCOPED_TRACE(size);
        // Every byte value first, then noise with a whole sentence in some.
        std::string chunk(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            chunk[i] = static_cast<char>(size == 256 ? i : random());
        if (size > 256)
            chunk.replace(100, test_support::kQueuedGga.size(), test_support::kQueuedGga);
        SendBeforeNextTick(pty, chunk);
        expected += chunk;
        EXPECT_EQ(pty.Queued(), 0);
        EXPECT_EQ(Seen.ticks.back().caption, u"Stop");
        ASSERT_EQ(ReadLog(), expected);
    }

    // Switched off, the file is closed and nothing more reaches it.
    ClickLogNow();
    EXPECT_EQ(LogFile, nullptr);
    SendBeforeNextTick(pty, "off");
    EXPECT_EQ(Seen.ticks.back().caption, u"Log");
    EXPECT_EQ(ReadLog(), expected);
    // Switched on again: a new, empty file.
    ClickLogNow();
    EXPECT_EQ(ReadLog(), "");
    SendBeforeNextTick(pty, "xyz");
    EXPECT_EQ(ReadLog(), "xyz");
}

// Caps every file this process writes, as a full store would; a write past the
// cap fails with EFBIG instead of raising SIGXFSZ. Both are restored after.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : handler(signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, handler);
    }
    sighandler_t handler;
    rlimit saved{};
    bool ok = false;
};

// A log that cannot be opened, or that a write fails to reach, leaves logging
// off with the caption "Log" and says so in a box; the next press tries again.
TEST_F(UpdateTest, LogFailuresEndLoggingWithAMessageBox) {
    // Not even root can create a file where a folder of that name stands.
    ASSERT_EQ(mkdir("NMEADataLog.TXT", 0755), 0);
    PtyPair& pty = StartWithReceiver();
    const std::size_t ticksAtClick = Seen.ticks.size();
    struct Box {
        std::u16string caption;
        std::vector<std::uint32_t> screen;
    };
    std::vector<Box> boxes;
    OnClock([&](std::uint64_t) {
        // Ticks go on under the Open Error box: let three run, then press Enter. Update ticks
        // never pause, so a clock step inside one is the Write Error box's own loop.
        if (Seen.inLogCommand ? Seen.ticks.size() < ticksAtClick + 3 : !Seen.inTick) return;
        boxes.push_back({LogButtonText(), ScreenSnapshot()});
        PressEnter();
    });
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 3000));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(Seen.inLogCommand);
    EXPECT_EQ(LoggingEnabled, 0);
    EXPECT_EQ(LogFile, nullptr);
    for (const TickRecord& tick : Seen.ticks)
        EXPECT_EQ(tick.caption, u"Log");
    ASSERT_EQ(rmdir("NMEADataLog.TXT"), 0);

    // The log keeps every byte that reached it: the ticks before the failing
    // one and the head of the failing chunk that still fitted.
    constexpr std::size_t kLimit = 1000;
    const struct {
        const char* name;
        std::vector<std::size_t> ticks;  // bytes read by each tick
    } cases[] = {{"a write crosses the limit", {600, 600}},
                 {"the previous tick reached the limit exactly", {500, 500, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickLogNow();
        ASSERT_EQ(LoggingEnabled, 1);
        const std::size_t boxesBefore = boxes.size();
        std::string sent;
        {
            FileSizeLimit limit(kLimit);
            ASSERT_TRUE(limit.ok);
            for (std::size_t size : c.ticks) {
                std::string chunk(size, '\0');
                for (std::size_t i = 0; i < size; ++i)
                    chunk[i] = static_cast<char>('A' + (sent.size() + i) % 26);
                SendBeforeNextTick(pty, chunk);
                sent += chunk;
            }
        }
        ASSERT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(boxes.back().caption, u"Log");
        EXPECT_EQ(LoggingEnabled, 0);
        EXPECT_EQ(LogFile, nullptr);
        EXPECT_EQ(ReadLog(), sent.substr(0, kLimit));
        // Logging stays off: later bytes go nowhere and nothing more is said.
        SendBeforeNextTick(pty, "more");
        EXPECT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(Seen.ticks.back().caption, u"Log");
        EXPECT_EQ(ReadLog(), sent.substr(0, kLimit));
    }
    EXPECT_TRUE(ShowsMessageBox(boxes.front().screen, u"Open Error"));
    EXPECT_TRUE(ShowsMessageBox(boxes.back().screen, u"Write Error"));
}

// Logs on stores of the test's own, which run full only at write-back.
class LogStoreTest : public UpdateTest {
  protected:
    // Nothing may hold a store as it goes: neither the working directory nor
    // the log, which the base closes.
    void TearDown() override {
        EXPECT_EQ(chdir(dir_.Path().c_str()), 0);
        UpdateTest::TearDown();
    }
    std::vector<std::unique_ptr<test_support::WriteBackStore>> stores_;
};

// A log whose store refuses its last bytes only when logging stops (at the
// flush, or at the close of a store that offers no flush) ends as a failed
// write does: the same box, logging off with the caption "Log", and the log
// holding what fitted.
TEST_F(LogStoreTest, ALogTheStoreRefusesAtItsEndSaysWriteError) {
    using test_support::WriteBackStore;
    PtyPair& pty = StartWithReceiver();
    struct Box {
        std::u16string caption;
        std::vector<std::uint32_t> screen;
    };
    std::vector<Box> boxes;
    std::size_t ticksAtClick = 0;
    OnClock([&](std::uint64_t) {
        // A tick runs under the box before it is answered.
        if (!Seen.inLogCommand || Seen.ticks.size() <= ticksAtClick) return;
        boxes.push_back({LogButtonText(), ScreenSnapshot()});
        PressEnter();
    });
    constexpr std::size_t kCapacity = 1000;
    const struct {
        const char* name;
        WriteBackStore::WriteBack mode;
    } cases[] = {{"written back at the flush", WriteBackStore::WriteBack::kAtFsync},
                 {"written back at the close", WriteBackStore::WriteBack::kAtCloseOnly}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string store = dir_.File(c.name);
        ASSERT_EQ(mkdir(store.c_str(), 0755), 0);
        stores_.push_back(std::make_unique<WriteBackStore>(store, kCapacity, c.mode));
        if (!stores_.back()->Ok()) GTEST_SKIP() << stores_.back()->Why();
        ASSERT_EQ(chdir(store.c_str()), 0);

        ClickLogNow();
        ASSERT_EQ(LoggingEnabled, 1);
        std::string sent;
        for (char letter : {'a', 'b'}) {
            const std::string chunk(600, letter);
            SendBeforeNextTick(pty, chunk);
            sent += chunk;
        }
        // The store took every write.
        EXPECT_EQ(Seen.ticks.back().caption, u"Stop");
        const std::size_t boxesBefore = boxes.size();
        ticksAtClick = Seen.ticks.size();
        ClickLog();
        ASSERT_TRUE(RunUntil(host::NowMs() + 3000));
        ASSERT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(boxes.back().caption, u"Log");
        EXPECT_EQ(LoggingEnabled, 0);
        EXPECT_EQ(LogFile, nullptr);
        EXPECT_EQ(test_support::ReadWholeFile(store + "/NMEADataLog.TXT"),
                  sent.substr(0, kCapacity));
        // Logging stays off and nothing more is said.
        SendBeforeNextTick(pty, "more");
        EXPECT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(Seen.ticks.back().caption, u"Log");
        ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    }
    EXPECT_TRUE(ShowsMessageBox(boxes.back().screen, u"Write Error"));
}

TEST_F(UpdateTest, NoFixCounterIsDrawnOnEveryTick) {
    PtyPair& pty = StartWithReceiver();
    const struct {
        std::int32_t seconds;
        std::u16string text;
    } cases[] = {{7, u"  7s"}, {-5, u" -5s"}, {1234, u"1234s"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        Nav.noFixSeconds = c.seconds;
        // A tick that reads nothing still draws the counter.
        SendBeforeNextTick(pty, "");
        EXPECT_TRUE(ScreenShows(c.text, RECT{0, 100, 25, 135}));
    }
}

}  // namespace
}  // namespace serial_test
