#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/fix_panel.h"
#include "screen/main_screen.h"
#include "screen_fixture.h"

namespace {

using LayoutTest = ScreenTest;

// The texts before any sentence: the refreshes replace every one of them,
// so the pictures of a receiver's stream never show them.
TEST_F(LayoutTest, StaticScreenInitialTexts) {
    DrawStaticScreen(window);
    const struct {
        RECT box;
        const char16_t* text;
    } fields[] = {{kAltitude, u"Altitude:     "},
                  {kLatitude, u"Latitude:     "},
                  {kLongitude, u"Longitude:    "},
                  {kHdop, u"HDOP:   "},
                  {kPdop, u"PDOP:   "},
                  {kDate, u"2005/00/00   "},
                  {kTime, u"00:00:00   "},
                  {kSpeed, u"Speed: "}};
    for (const auto& field : fields) {
        SCOPED_TRACE(std::u16string(field.text).size());
        EXPECT_TRUE(FieldShows(field.box, field.text));
    }
    EXPECT_FALSE(FieldShows(kSpeed, u"Speed:.")) << "a wrong text does not compare equal";
}

TEST_F(LayoutTest, RefreshFormats) {
    const struct {
        const char* name;
        void (*set)();
        void (*refresh)(HDC);
        RECT box;
        const char16_t* text;
    } cases[] = {
        {"latitude 0, no hemisphere sent", [] {}, RefreshGga, kLatitude, u"Latitude: 0'0.00"},
        {"south",
         [] {
             Nav.ggaLatitude = 3351.5f;
             Nav.ggaNorthSouth = 'S';
         },
         RefreshGga, kLatitude, u"Latitude:33'51.50 S"},
        {"west",
         [] {
             Nav.ggaLongitude = 15112.25f;
             Nav.ggaEastWest = 'W';
         },
         RefreshGga, kLongitude, u"Longitude:151'12.25 W"},
        {"a letter of the other axis names no hemisphere here",
         [] {
             Nav.ggaLongitude = 15112.25f;
             Nav.ggaEastWest = 'N';
         },
         RefreshGga, kLongitude, u"Longitude:151'12.25"},
        {"altitude -12.5", [] { Nav.displayAltitude = -12.5f; }, RefreshGga, kAltitude,
         u"Altitude:-12.50     "},
        {"date 170305", [] { Nav.rmcDate = 170305.0f; }, RefreshRmc, kDate, u"2005/ 3/17   "},
        {"no date yet", [] {}, RefreshRmc, kDate, u"2000/ 0/ 0   "},
        {"time 090507", [] { Nav.rmcTime = 90507.0f; }, RefreshRmc, kTime, u" 9: 5: 7   "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        c.set();
        c.refresh(window);
        EXPECT_TRUE(FieldShows(c.box, c.text));
    }
}

// The widest positions a receiver sends fit their boxes, letter and all.
TEST_F(LayoutTest, WidestPositionsFitTheirBoxes) {
    Nav.ggaLatitude = 8959.99f;
    Nav.ggaNorthSouth = 'S';
    Nav.ggaLongitude = 17959.99f;
    Nav.ggaEastWest = 'W';
    RefreshGga(window);
    EXPECT_TRUE(FieldShows(kLatitude, u"Latitude:89'59.99 S"));
    EXPECT_TRUE(FieldShows(kLongitude, u"Longitude:179'59.99 W"));
    // Nothing is cut: the last column of each box stays white.
    for (const RECT& box : {kLatitude, kLongitude})
        EXPECT_FALSE(AnyDark({box.right - 4, box.top, box.right, box.bottom})) << box.left;
}

// A paint draws the screen again as it stood, whatever covered it: each
// field, the mark, the status line, the plot with or without the no-fix count
// drawn over it, the strip, or the static screen's parts where no plot or
// strip has been drawn yet.
TEST_F(LayoutTest, RepaintDrawsTheScreenAsItStood) {
    const std::string second =
        Sentence("GPGGA,120001,3351.50,S,15112.25,W,1,04,1.6,412.0,M,47.3,M,,") +
        Sentence("GPGSA,A,3,05,07,13,30,,,,,,,,,2.5,1.6,1.9") +
        Sentence("GPGSV,2,1,05,02,12,046,17,05,33,121,30,07,61,301,44,09,05,211,62") +
        Sentence("GPGSV,2,2,05,13,01,046,49") +
        Sentence("GPRMC,120001,A,3351.50,S,15112.25,W,0.3,54.0,311226,,,A");
    const std::vector<std::pair<const char*, std::function<void()>>> screens = {
        {"nothing drawn yet", [] {}},
        {"the static screen", [] { DrawStaticScreen(window); }},
        {"a message", [] { DrawStatusText(window, u"Read Com1"); }},
        {"a second of a receiver, the count over its plot, the fix panel",
         [&second] {
             DrawNoFixCounter(window);
             Feed(second);
             DrawNoFixCounter(window);
             DrawFixPanel(window);
         }},
        {"the plot over the count, a bad sentence",
         [&second] { Feed(second + BadSentence("GPGGA,1")); }},
        {"a values text too long for its box",
         [] {
             Nav.ggaLatitude = 3.0e38f;
             RefreshGga(window);
         }},
        {"an empty screen after the receiver was lost", [] { DrawEmptyScreen(window); }},
    };
    for (const auto& [name, draw] : screens) {
        SCOPED_TRACE(name);
        draw();
        const std::vector<uint32_t> stood = Pixels();
        Fill(window, backdropBrush);
        // A paint follows the class background's erase.
        Fill(window, WhiteBrush);
        RepaintScreen(window);
        EXPECT_EQ(ChangedOutside(stood), 0);
    }
}

// Each field with an overlong value, then a normal one: the overlong text
// stays in its own box and leaves nothing behind, so the screen ends as the
// normal values drawn on a fresh screen. The boxes stand apart, so text that
// spills out of one shows in the gap before the next.
TEST_F(LayoutTest, OverlongValuesStayInTheirBoxesAndLeaveNoDebris) {
    const struct {
        float NavRecord::*value;
        float overlong, normal;
    } fields[] = {{&NavRecord::displayAltitude, -3.0e38f, 592.3f},
                  {&NavRecord::ggaLatitude, 3.0e38f, 4916.45f},
                  {&NavRecord::ggaLongitude, -3.0e38f, 12311.12f},
                  {&NavRecord::hdop, 1.0e30f, 0.9f},
                  {&NavRecord::pdop, -1.0e30f, 1.3f},
                  {&NavRecord::rmcDate, -1.0e20f, 230394.0f},
                  {&NavRecord::rmcTime, 3.0e38f, 123519.0f},
                  {&NavRecord::speedKnots, 1.0e30f, 22.4f}};
    auto draw = [&fields](bool overlong) {
        for (const auto& f : fields)
            Nav.*f.value = overlong ? f.overlong : f.normal;
        RefreshGga(window);
        RefreshGsa(window);
        RefreshRmc(window);
    };
    DrawStaticScreen(window);
    draw(false);
    const std::vector<uint32_t> fresh = Pixels();

    Fill(window, WhiteBrush);
    DrawStaticScreen(window);
    const std::vector<uint32_t> before = Pixels();
    draw(true);
    EXPECT_EQ(ChangedOutside(
                  before, {kDate, kTime, kHdop, kPdop, kSpeed, kAltitude, kLatitude, kLongitude}),
              0)
        << "outside the fields' boxes";
    draw(false);
    EXPECT_EQ(ChangedOutside(fresh), 0) << "compared with a fresh screen";
}

}  // namespace
