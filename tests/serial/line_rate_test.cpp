// The chosen port's line rate, found or fixed, and reads that keep up with
// it; receivers on pseudo-terminals that keep to their rate on the virtual clock.
#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "paced_receiver.h"
#include "serial/line_rate.h"
#include "serial/serial_state.h"
#include "serial_fixture.h"

namespace serial_test {
namespace {

constexpr RECT kStatusLine{5, 200, 320, 215};

class LineRateTest : public SerialFixture {
  protected:
    // COM1 holds a receiver at rate; the clock drives it. Logging starts
    // with the program when log is set.
    PacedReceiver& StartReceiver(std::uint32_t rate, bool fullRate = false, bool log = false) {
        PtyPair& pty = AttachReceiver(1);
        receiver_ = std::make_unique<PacedReceiver>(pty, rate, fullRate);
        OnClock([this](std::uint64_t now) {
            if (!chosen_ && SearchPending == 0) {
                chosen_ = true;
                sentBeforeChoice_ = receiver_->Sent().size();
            }
            receiver_->SendUntil(now);
        });
        CreateMainWindow();
        if (log) ClickLog();
        return *receiver_;
    }

    static std::u16string RateText(int rate) {
        return u"Baud " + Wide(std::to_string(rate)) + u" Com1     ";
    }
    static std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

    std::unique_ptr<PacedReceiver> receiver_;
    bool chosen_ = false;
    std::size_t sentBeforeChoice_ = 0;
};

struct Trial {
    std::uint32_t receiverRate;
    std::vector<int> shown;  // the rates the status line says are tried, in order
};

TEST_F(LineRateTest, AutoFindsTheReceiversRateTryingTheOthersInTurn) {
    const Trial trials[] = {
        {4800, {}},
        {9600, {4800, 9600}},
        {115200, {4800, 9600, 38400, 115200}},
        {19200, {4800, 9600, 38400, 115200, 57600, 19200}},
    };
    for (const Trial& t : trials) {
        SCOPED_TRACE(t.receiverRate);
        TearDown();
        SetUp();
        chosen_ = false;
        PacedReceiver& receiver = StartReceiver(t.receiverRate);
        std::vector<int> shown;
        OnClock([&](std::uint64_t now) {
            receiver.SendUntil(now);
            for (int rate : kTrialRates) {
                if (ScreenShowsText(RateText(rate), kStatusLine, DT_SINGLELINE) &&
                    (shown.empty() || shown.back() != rate)) {
                    shown.push_back(rate);
                }
            }
        });
        ASSERT_TRUE(RunUntil(25000));
        ASSERT_FALSE(receiver.Failed());
        EXPECT_EQ(shown, t.shown);
        EXPECT_EQ(LineRate, t.receiverRate);
        EXPECT_EQ(receiver.LineRate(), t.receiverRate);
        EXPECT_EQ(RateVerified, 1);
        // Decoded: the last second's fix is on the record.
        EXPECT_NEAR(Nav.ggaLatitude, 4807.038f, 0.01f);
        EXPECT_GE(Nav.rmcTime, 15.0f);
    }
}

TEST_F(LineRateTest, TheLogKeepsEveryByteReadAtEveryRate) {
    PacedReceiver& receiver = StartReceiver(9600, false, true);
    ASSERT_TRUE(RunUntil(12000));
    ASSERT_EQ(LineRate, 9600u);
    ASSERT_TRUE(chosen_);
    // Everything sent after the search's probe, garbled at 4800 and clean at 9600.
    const std::string log = ReadLog();
    EXPECT_EQ(log, receiver.Sent().substr(sentBeforeChoice_));
    EXPECT_EQ(ptys_[1]->Queued(), 0);
    const std::size_t firstGood = log.find("$GPGGA,");
    ASSERT_NE(firstGood, std::string::npos);
    ASSERT_GT(firstGood, 100u);
    EXPECT_EQ(log.substr(0, firstGood).find('$'), std::string::npos);
}

struct Fixed {
    DWORD setting;
    std::uint32_t receiverRate;
    bool decodes;
};

TEST_F(LineRateTest, AFixedRateIsKeptWhateverArrives) {
    const Fixed cases[] = {{9600, 9600, true}, {38400, 4800, false}, {4800, 9600, false}};
    for (const Fixed& c : cases) {
        SCOPED_TRACE(std::to_string(c.setting) + " for " + std::to_string(c.receiverRate));
        TearDown();
        SetUp();
        BaudSetting = c.setting;
        PacedReceiver& receiver = StartReceiver(c.receiverRate);
        ASSERT_TRUE(RunUntil(15000));
        EXPECT_EQ(receiver.LineRate(), c.setting);
        EXPECT_EQ(LineRate, c.setting);
        EXPECT_EQ(RateVerified, c.decodes ? 1 : 0);
        EXPECT_EQ(Nav.ggaLatitude > 0.0f, c.decodes);
        for (int rate : kTrialRates)
            EXPECT_FALSE(ScreenShowsText(RateText(rate), kStatusLine, DT_SINGLELINE)) << rate;
    }
}

TEST_F(LineRateTest, AMinuteAt115200FullRateWithLoggingStaysCurrentAndExact) {
    BaudSetting = CBR_115200;
    PacedReceiver& receiver = StartReceiver(115200, true, true);
    long mostQueued = 0;
    std::vector<std::string> lag;
    OnClock([&](std::uint64_t now) {
        if (!chosen_ && SearchPending == 0) {
            chosen_ = true;
            sentBeforeChoice_ = receiver.Sent().size();
        }
        receiver.SendUntil(now);
        const long queued = ptys_[1]->Queued();
        if (queued > mostQueued) mostQueued = queued;
        // Once running, the record holds the second before the one being sent, or that one.
        const std::uint64_t second = now / 1000;
        if (now > 5000 && now % 1000 >= 500 && !Seen.inTick) {
            const int shown = static_cast<int>(Nav.rmcTime);
            const int s = static_cast<int>(second);
            if (shown != std::stoi(TimeOfSecond(s)) && shown != std::stoi(TimeOfSecond(s - 1))) {
                lag.push_back(std::to_string(now) + ": " + std::to_string(shown));
            }
        }
    });
    ASSERT_TRUE(RunUntil(62000));
    ASSERT_FALSE(receiver.Failed());
    EXPECT_TRUE(lag.empty()) << lag.size() << " late, the first at " << lag.front();
    // Each tick empties the line: at most one tick's worth waits, 300 ms and a little more.
    EXPECT_LE(mostQueued, 11520 * 4 / 10);
    EXPECT_EQ(ptys_[1]->Queued(), 0);
    EXPECT_GT(receiver.Sent().size(), 58u * 11520);
    // Everything after what the search's probe took (at most 2000 bytes of what was there).
    const std::string log = ReadLog();
    const std::string& sent = receiver.Sent();
    ASSERT_LE(log.size(), sent.size());
    EXPECT_LE(sent.size() - log.size(), sentBeforeChoice_);
    EXPECT_TRUE(log == sent.substr(sent.size() - log.size()));
}

TEST(LineRate, BaudSettingsAndReadLimits) {
    struct Case {
        const char16_t* text;
        bool accepted;
        DWORD setting;
    };
    const Case cases[] = {
        {u"auto", true, kAutoBaud}, {u"4800", true, 4800}, {u"115200", true, 115200},
        {u"230400", true, 230400},  {u"1200", true, 1200}, {u"460800", false, 0},
        {u"4801", false, 0},        {u"", false, 0},       {u"9600x", false, 0},
        {u"-4800", false, 0},       {u"Auto", false, 0},   {u"96000000", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        DWORD setting = 12345;
        EXPECT_EQ(ParseBaudSetting(c.text, &setting), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(setting, c.setting);
        }
    }
    // A second of the line, never less than a 4800-baud tick ever took, never more than the buffer.
    EXPECT_EQ(ReadLimitFor(4800), 2000);
    EXPECT_EQ(ReadLimitFor(19200), 2000);
    EXPECT_EQ(ReadLimitFor(38400), 3840);
    EXPECT_EQ(ReadLimitFor(115200), kReadBufferSize);
    EXPECT_EQ(ReadLimitFor(230400), kReadBufferSize);
    EXPECT_EQ(ReadLimitFor(0), kReadBufferSize);
}

}  // namespace
}  // namespace serial_test
