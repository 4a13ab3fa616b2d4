// Receivers on pseudo-terminals that keep to their line rate on the virtual
// clock: the rate found or fixed, reads that keep up with it, and a receiver
// that goes and comes back.
#include <termios.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/sky_view.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"
#include "tests/support/nmea_text.h"

namespace serial_test {
namespace {

// "hhmmss" of a second counted from midnight.
std::string TimeOfSecond(std::uint64_t second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u%02u%02u", static_cast<unsigned>(second / 3600 % 24),
                  static_cast<unsigned>(second / 60 % 60), static_cast<unsigned>(second % 60));
    return text;
}

// It reads the rate the program set on the line before each send: at its own
// rate it sends its sentences, at any other what a UART would make of them,
// garbled bytes without any '$'. It starts with the second under way.
class PacedReceiver {
  public:
    // fullRate fills every second of the line; otherwise each second holds a GGA and an RMC
    // sentence stamped with that second. latitude is the GGA's ddmm.mmm field.
    PacedReceiver(PtyPair& pty, std::uint32_t rate, bool fullRate, const char* latitude)
        : pty_(pty), rate_(rate), fullRate_(fullRate), latitude_(latitude) {}

    // Sends what the line carried up to now; called on every clock advance.
    void SendUntil(std::uint64_t now) {
        if (failed_ || now <= lastMs_) return;
        while (secondsQueued_ * 1000 < now)
            pending_ += Second(secondsQueued_++);
        // The line carries rate / 10 bytes a second.
        std::string out = pending_.substr(0, (now - lastMs_) * rate_ / 10 / 1000);
        pending_.erase(0, out.size());
        lastMs_ = now;
        if (LineRate() != rate_) {
            for (char& c : out)
                c = static_cast<char>(0x80 | (static_cast<unsigned char>(c) ^ 0x55));
        }
        // What the line cannot hold while nobody reads it is lost, as on a real wire. A little
        // less than a terminal's input buffer, so that every byte written can be seen queued.
        const long queued = pty_.Queued();
        const long room = std::max(0L, 4000 - queued);
        if (static_cast<long>(out.size()) > room) out.resize(static_cast<std::size_t>(room));
        if (out.empty()) return;
        failed_ = queued < 0 || !pty_.Write(out) || !pty_.WaitQueued(queued + out.size());
        if (!failed_) sent_ += out;
    }
    // The rate the program set on the line; 0 when it cannot be read.
    std::uint32_t LineRate() const {
        termios tio{};
        const std::pair<speed_t, std::uint32_t> rates[] = {
            {B4800, 4800},   {B9600, 9600},     {B19200, 19200},  {B38400, 38400},
            {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
        for (const auto& [speed, rate] : rates) {
            if (tcgetattr(pty_.WatchFd(), &tio) == 0 && cfgetospeed(&tio) == speed) return rate;
        }
        return 0;
    }
    // Every byte that went out, as it went out.
    const std::string& Sent() const { return sent_; }
    bool Failed() const { return failed_; }

  private:
    std::string Second(std::uint64_t second) const {
        const std::string time = TimeOfSecond(second);
        std::string bytes = test_support::Sentence("GPGGA," + time + "," + latitude_ +
                                                   ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                            test_support::Sentence("GPRMC," + time + ",A," + latitude_ +
                                                   ",N,01131.000,E,022.4,084.4,230394,003.1,W");
        // Text sentences fill the rest of the second; the last one is cut to fit,
        // and the next second's GGA closes it as a failed sentence.
        while (fullRate_ && bytes.size() < rate_ / 10)
            bytes += test_support::Sentence("GPTXT,01,01,02,FILL " + time);
        if (fullRate_) bytes.resize(rate_ / 10);
        return bytes;
    }

    PtyPair& pty_;
    std::uint32_t rate_;
    bool fullRate_;
    std::string latitude_;
    std::string pending_, sent_;
    std::uint64_t lastMs_ = host::NowMs();
    std::uint64_t secondsQueued_ = lastMs_ / 1000;  // seconds appended to pending_
    bool failed_ = false;
};

class ReceiverTest : public SerialFixture {
  protected:
    // Puts a receiver at rate behind COM1, a new device each time.
    PacedReceiver& Plug(std::uint32_t rate, bool fullRate = false,
                        const char* latitude = "4807.038") {
        receiver_ = std::make_unique<PacedReceiver>(AttachReceiver(1), rate, fullRate, latitude);
        sentBeforeChoice_ = -1;
        return *receiver_;
    }
    // Starts the program with logging on; each runs after every clock advance.
    void Start(std::function<void(std::uint64_t)> each = nullptr) {
        OnClock([this, each](std::uint64_t now) {
            if (receiver_ && sentBeforeChoice_ < 0 && SearchPending == 0) {
                sentBeforeChoice_ = static_cast<long>(receiver_->Sent().size());
            }
            if (receiver_) receiver_->SendUntil(now);
            if (each) each(now);
        });
        CreateMainWindow();
        ClickLog();
    }
    // Every byte sent after the search's probe took what had arrived.
    std::string SentAfterChoice() const {
        return sentBeforeChoice_ < 0 ? "" : receiver_->Sent().substr(sentBeforeChoice_);
    }

    std::unique_ptr<PacedReceiver> receiver_;
    long sentBeforeChoice_ = -1;
};

TEST_F(ReceiverTest, AutoFindsTheReceiversRateTryingTheOthersInTurnAndAFixedRateStays) {
    const struct {
        DWORD setting;  // --baud
        std::uint32_t receiverRate;
        std::vector<int> shown;  // the rates the status line says are tried, in order
    } trials[] = {
        {kAutoBaud, 4800, {}},
        {kAutoBaud, 9600, {4800, 9600}},
        {kAutoBaud, 115200, {4800, 9600, 38400, 115200}},
        {kAutoBaud, 19200, {4800, 9600, 38400, 115200, 57600, 19200}},
        {9600, 9600, {}},
        {4800, 9600, {}},
    };
    for (const auto& t : trials) {
        SCOPED_TRACE(std::to_string(t.setting) + " for " + std::to_string(t.receiverRate));
        TearDown();
        SetUp();
        BaudSetting = t.setting;
        PacedReceiver& receiver = Plug(t.receiverRate);
        std::vector<int> shown;
        std::vector<std::uint64_t> shownAt;
        Start([&](std::uint64_t now) {
            for (int rate : kTrialRates) {
                const std::string text = "Baud " + std::to_string(rate) + " Com1";
                if (ScreenShows(std::u16string(text.begin(), text.end())) &&
                    (shown.empty() || shown.back() != rate)) {
                    shown.push_back(rate);
                    shownAt.push_back(now);
                }
            }
        });
        ASSERT_TRUE(RunUntil(25000));
        ASSERT_FALSE(receiver.Failed());
        EXPECT_EQ(shown, t.shown);
        // Each rate has three seconds of bytes, ended by the first tick after them.
        for (std::size_t i = 1; i < shownAt.size(); ++i) {
            EXPECT_GE(shownAt[i] - shownAt[i - 1], 3000u) << shown[i];
            EXPECT_LE(shownAt[i] - shownAt[i - 1], 3300u) << shown[i];
        }
        const std::uint32_t rate = t.setting == kAutoBaud ? t.receiverRate : t.setting;
        EXPECT_EQ(LineRate, rate);
        EXPECT_EQ(receiver.LineRate(), rate);
        // Decoded at the receiver's rate: the last second's fix is on the record.
        EXPECT_EQ(std::fabs(Nav.ggaLatitude - 4807.038f) < 0.01f && Nav.rmcTime >= 15.0f,
                  rate == t.receiverRate);
        // The log holds every byte read, garbled or not, at every rate tried.
        EXPECT_EQ(ReadLog(), SentAfterChoice());
        EXPECT_EQ(ptys_[1]->Queued(), 0);
    }
}

TEST_F(ReceiverTest, AMinuteAt115200FullRateWithLoggingStaysCurrentAndExact) {
    BaudSetting = CBR_115200;
    PacedReceiver& receiver = Plug(115200, true);
    long mostQueued = 0;
    std::vector<std::string> lag;
    Start([&](std::uint64_t now) {
        mostQueued = std::max(mostQueued, ptys_[1]->Queued());
        // Once running, the record holds the second before the one being sent, or that one.
        const int second = static_cast<int>(now / 1000);
        const int shown = static_cast<int>(Nav.rmcTime);
        if (now > 5000 && now % 1000 >= 500 && !Seen.inTick &&
            shown != std::stoi(TimeOfSecond(second)) &&
            shown != std::stoi(TimeOfSecond(second - 1))) {
            lag.push_back(std::to_string(now) + ": " + std::to_string(shown));
        }
    });
    ASSERT_TRUE(RunUntil(62000));
    ASSERT_FALSE(receiver.Failed());
    EXPECT_TRUE(lag.empty()) << lag.size() << " late, the first at " << lag.front();
    // Each tick empties the line: at most one tick's worth waits, 300 ms and a little more.
    EXPECT_LE(mostQueued, 11520 * 4 / 10);
    EXPECT_EQ(ptys_[1]->Queued(), 0);
    // Everything after what the search's probe took (at most 2000 bytes of what was there).
    const std::string log = ReadLog();
    const std::string& sent = receiver.Sent();
    EXPECT_GT(sent.size(), 58u * 11520);
    ASSERT_LE(log.size(), sent.size());
    EXPECT_LE(sent.size() - log.size(), static_cast<std::size_t>(sentBeforeChoice_));
    EXPECT_TRUE(log == sent.substr(sent.size() - log.size()));
}

TEST_F(ReceiverTest, AReceiverThatGoesAndComesBackIsFoundAgainWithOneLog) {
    Plug(4800);
    Start();
    ASSERT_TRUE(RunUntil(8000));
    ASSERT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);

    // Unplugged: the far side closes. The next tick lets the port go, and
    // what was left queued behind the hang-up is not trusted.
    const std::string logged = SentAfterChoice();
    receiver_.reset();
    Talk(*ptys_[1], "$GPRMC,lost");
    ptys_[1]->CloseMaster();
    const std::size_t ticksBefore = Seen.ticks.size();
    ASSERT_TRUE(RunUntil(host::NowMs() + 310));
    ASSERT_EQ(Seen.ticks.size(), ticksBefore + 1);
    EXPECT_EQ(SearchPending, 1);
    EXPECT_EQ(ComPort, nullptr);
    EXPECT_TRUE(StatusLineShowsOnly(u"Com1 Lost"));
    EXPECT_EQ(LoggingEnabled, 1);

    // Searching costs what the start-up search costs: each search opens the
    // ports, rests 1000 ms with nothing to read and ends, and the next starts
    // 300 ms later; no step waits.
    ASSERT_TRUE(RunUntil(host::NowMs() + 13000));
    std::size_t searches = 0;
    for (std::size_t i = ticksBefore + 1; i < Seen.ticks.size(); ++i) {
        EXPECT_EQ(Seen.ticks[i].end, Seen.ticks[i].start) << i;
        const std::uint64_t gap = Seen.ticks[i].start - Seen.ticks[i - 1].end;
        EXPECT_TRUE(gap == 300 || gap == 1000) << i << ": " << gap;
        if (gap == 1000) ++searches;
    }
    EXPECT_GE(searches, 9u);
    EXPECT_LE(searches, 10u);
    // Each message alone on the status line: nothing of the lost one's sentences.
    EXPECT_NE(StatusName(), "");

    // Plugged in again, under a new device name, with a new position.
    Plug(4800, false, "3352.100");
    ASSERT_TRUE(RunUntil(host::NowMs() + 8000));
    EXPECT_NEAR(Nav.ggaLatitude, 3352.100f, 0.01f);
    // Logging ends just after a tick, which has read everything sent until then.
    ASSERT_TRUE(RunUntil(Seen.ticks.back().end + 300));
    const std::string sentUntilNow = SentAfterChoice();
    ClickLog();
    ASSERT_TRUE(RunUntil(host::NowMs() + 10));
    EXPECT_NE(logged.find("4807.038"), std::string::npos);
    EXPECT_NE(sentUntilNow.find("3352.100"), std::string::npos);
    EXPECT_EQ(ReadLog(), logged + sentUntilNow);
}

// Unplugged after a fix, a receiver leaves nothing in the record but the
// no-fix count (what the screen keeps is the end-to-end test's), and the
// next receiver's first plot owes nothing to it.
TEST_F(ReceiverTest, ALostReceiverTakesItsStateWithIt) {
    using test_support::Sentence;
    PtyPair& first = AttachReceiver(1, true);
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(2310));
    Talk(first, Sentence("GPGGA,120000,3351.50,S,15112.25,W,1,04,0.9,40.0,M,20.0,M,,") +
                    Sentence("GPGSA,A,3,05,07,,,,,,,,,,,1.5,0.9,1.2") +
                    Sentence("GPGSV,1,1,02,05,02,045,62,07,00,135,48") +
                    Sentence("GPRMC,120000,A,3351.50,S,15112.25,W,12.3,0.0,311226,,"));
    ASSERT_TRUE(RunUntil(3000));
    ASSERT_EQ(Nav.fixType, 3);
    Nav.noFixSeconds = 42;  // the frame counts them; this window does not

    first.CloseMaster();
    ASSERT_TRUE(RunUntil(3310));
    ASSERT_EQ(SearchPending, 1);
    EXPECT_TRUE(StatusLineShowsOnly(u"Com1 Lost"));
    EXPECT_EQ(Nav.fixType, 0);
    EXPECT_EQ(Nav.ggaLatitude, 0.0f);
    EXPECT_EQ(Nav.ggaNorthSouth, '\0');
    EXPECT_EQ(Nav.speedKnots, 0.0f);
    EXPECT_EQ(Nav.hdop, 0.0f);
    EXPECT_EQ(Nav.noFixSeconds, 42) << "the count goes on from where it stood";
    SkyView sky;
    BuildSkyView(Nav, &sky);
    EXPECT_EQ(sky.count, 0);

    // The next receiver lists GPS 5 before any GSA of its own: not used.
    PtyPair& second = AttachReceiver(1, true);
    ASSERT_TRUE(RunUntil(host::NowMs() + 2000));
    ASSERT_EQ(SearchPending, 0);
    Talk(second, Sentence("GPGSV,1,1,01,05,40,083,46"));
    ASSERT_TRUE(RunUntil(host::NowMs() + 310));
    BuildSkyView(Nav, &sky);
    ASSERT_EQ(sky.count, 1);
    EXPECT_FALSE(sky.satellites[0].used);
}

TEST_F(ReceiverTest, SilenceIsNotAFailure) {
    PtyPair& pty = AttachReceiver(1, true);
    CreateMainWindow();
    ASSERT_TRUE(RunUntil(2310));
    ASSERT_EQ(SearchPending, 0);
    const HANDLE port = ComPort;
    ASSERT_TRUE(RunUntil(60000));
    EXPECT_EQ(SearchPending, 0);
    EXPECT_EQ(ComPort, port);
    Talk(pty);
    Talk(pty);
    ASSERT_TRUE(RunUntil(60400));
    EXPECT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);
}

TEST(LineRate, BaudSettings) {
    const struct {
        const char16_t* text;
        DWORD setting;  // 1 when refused
    } cases[] = {{u"auto", kAutoBaud}, {u"1200", 1200}, {u"230400", 230400}, {u"460800", 1},
                 {u"4801", 1},         {u"", 1},        {u"9600x", 1},       {u"Auto", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        DWORD setting = 1;
        EXPECT_EQ(ParseBaudSetting(c.text, &setting), c.setting != 1);
        EXPECT_EQ(setting, c.setting);
    }
}

}  // namespace
}  // namespace serial_test
