// The chosen port's line rate, found or fixed, and reads that keep up with
// it; receivers on pseudo-terminals that keep to their rate on the virtual clock.
#include <cmath>
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "paced_receiver.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

class LineRateTest : public SerialFixture {
  protected:
    // COM1 holds a receiver at rate that the clock drives; then each step runs. Logging starts
    // with the program when log is set.
    PacedReceiver& StartReceiver(std::uint32_t rate, bool fullRate, bool log,
                                 std::function<void(std::uint64_t)> each = nullptr) {
        receiver_ = std::make_unique<PacedReceiver>(AttachReceiver(1), rate, fullRate);
        sentBeforeChoice_ = -1;
        OnClock([this, each](std::uint64_t now) {
            if (sentBeforeChoice_ < 0 && SearchPending == 0) {
                sentBeforeChoice_ = static_cast<long>(receiver_->Sent().size());
            }
            receiver_->SendUntil(now);
            if (each) each(now);
        });
        CreateMainWindow();
        if (log) ClickLog();
        return *receiver_;
    }
    // Every byte sent after the search's probe took what had arrived.
    std::string SentAfterChoice() const { return receiver_->Sent().substr(sentBeforeChoice_); }

    static std::u16string RateText(int rate) {
        const std::string digits = std::to_string(rate);
        return u"Baud " + std::u16string(digits.begin(), digits.end()) + u" Com1     ";
    }

    std::unique_ptr<PacedReceiver> receiver_;
    long sentBeforeChoice_ = -1;
};

TEST_F(LineRateTest, AutoFindsTheReceiversRateTryingTheOthersInTurnAndAFixedRateStays) {
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
        {38400, 4800, {}},
        {4800, 9600, {}},
    };
    for (const auto& t : trials) {
        SCOPED_TRACE(std::to_string(t.setting) + " for " + std::to_string(t.receiverRate));
        TearDown();
        SetUp();
        BaudSetting = t.setting;
        std::vector<int> shown;
        PacedReceiver& receiver = StartReceiver(t.receiverRate, false, true, [&](std::uint64_t) {
            for (int rate : kTrialRates) {
                if (ScreenShows(RateText(rate)) && (shown.empty() || shown.back() != rate)) {
                    shown.push_back(rate);
                }
            }
        });
        ASSERT_TRUE(RunUntil(25000));
        ASSERT_FALSE(receiver.Failed());
        EXPECT_EQ(shown, t.shown);
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

TEST_F(LineRateTest, AMinuteAt115200FullRateWithLoggingStaysCurrentAndExact) {
    BaudSetting = CBR_115200;
    long mostQueued = 0;
    std::vector<std::string> lag;
    PacedReceiver& receiver = StartReceiver(115200, true, true, [&](std::uint64_t now) {
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
