#include <string>
#include <vector>

#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen_fixture.h"

namespace {

using LayoutTest = ScreenTest;

TEST_F(LayoutTest, EmptyTextDrawsNothingButSetsTheScratchRect) {
    FillWindow(backdropBrush);
    DrawTextInRect(window, 10, 100, 20, 35, u"");
    EXPECT_EQ(ScratchRect.left, 10);
    EXPECT_EQ(ScratchRect.top, 20);
    EXPECT_EQ(ScratchRect.right, 100);
    EXPECT_EQ(ScratchRect.bottom, 35);
    for (int y = 15; y < 40; ++y) {
        for (int x = 5; x < 105; ++x)
            ASSERT_EQ(Px(x, y), kBackdrop) << x << "," << y;
    }
}

TEST_F(LayoutTest, StaticScreenBandFramesAndCircles) {
    FillWindow(backdropBrush);
    DrawStaticScreen(window);

    for (int y = 90; y < 95; ++y) {
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(Px(x, y), kBlue) << x << "," << y;
    }
    EXPECT_EQ(Px(0, 89), kBackdrop);
    EXPECT_EQ(Px(0, 95), kBackdrop);

    // Sixteen frames across the screen: black outline, blue inside, the
    // 2-pixel gaps untouched.
    for (int x0 = 0; x0 <= 300; x0 += 20) {
        SCOPED_TRACE("frame at x " + std::to_string(x0));
        for (int y = 230; y < 270; ++y) {
            for (int x = x0; x < x0 + 18; ++x) {
                bool edge = x == x0 || x == x0 + 17 || y == 230 || y == 269;
                ASSERT_EQ(Px(x, y), edge ? kBlack : kBlue) << x << "," << y;
            }
            ASSERT_EQ(Px(x0 + 18, y), kBackdrop);
            ASSERT_EQ(Px(x0 + 19, y), kBackdrop);
        }
        ASSERT_EQ(Px(x0 + 5, 229), kBackdrop);
        ASSERT_EQ(Px(x0 + 5, 270), kBackdrop);
    }

    // Row 135 crosses the outer circle near x 12 and 87: grey outside, a
    // black outline, white inside, and the crosshair in the middle.
    int firstBlack = -1;
    for (int x = 0; x < 50 && firstBlack < 0; ++x) {
        if (Px(x, 135) == kBlack)
            firstBlack = x;
        else
            ASSERT_EQ(Px(x, 135), kBackdrop) << x;
    }
    EXPECT_GE(firstBlack, 12);
    EXPECT_LE(firstBlack, 13);
    EXPECT_EQ(Px(20, 135), kWhite);
    EXPECT_EQ(Px(49, 135), kBlue);
    EXPECT_EQ(Px(50, 135), kBlue);
    EXPECT_EQ(Px(40, 140), kWhite);  // inside the inner circle
    EXPECT_EQ(Px(20, 149), kBlue);
    EXPECT_EQ(Px(20, 150), kBlue);
    EXPECT_EQ(Px(20, 151), kWhite);
    EXPECT_EQ(Px(5, 115), kBackdrop);  // outside both circles, inside their box

    // Circles and crosshair are mirror images about the centre (49.5, 149.5),
    // away from the compass letters.
    auto inLetter = [](int x, int y) {
        return (x >= 45 && x < 55 && y >= 100 && y < 115) ||
               (x >= 48 && x < 54 && y >= 183 && y < 198) ||
               (x >= 85 && x < 98 && y >= 143 && y < 158) ||
               (x >= 5 && x < 17 && y >= 143 && y < 158);
    };
    for (int y = 110; y < 190; ++y) {
        for (int x = 10; x < 90; ++x) {
            int mx = 99 - x, my = 299 - y;
            if (inLetter(x, y) || inLetter(mx, y) || inLetter(x, my) || inLetter(mx, my)) continue;
            ASSERT_EQ(Px(x, y), Px(mx, y)) << x << "," << y;
            ASSERT_EQ(Px(x, y), Px(x, my)) << x << "," << y;
        }
    }
    // The N sits above the circles, where only its glyph can be dark.
    EXPECT_TRUE(AnyDark({45, 100, 55, 110}));
}

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
    // A wrong text would not compare equal.
    EXPECT_FALSE(FieldShows(kSpeed, u"Speed:."));
}

TEST_F(LayoutTest, RefreshFormats) {
    struct Case {
        const char* name;
        void (*set)();
        void (*refresh)(HDC);
        RECT box;
        const char16_t* text;
    };
    const Case cases[] = {
        {"latitude 4916.45", [] { Nav.ggaLatitude = 4916.45f; }, RefreshGga, kLatitude,
         u"Latitude:49'16.45     "},
        {"latitude 0", [] {}, RefreshGga, kLatitude, u"Latitude: 0'0.00     "},
        {"longitude 12130.5", [] { Nav.ggaLongitude = 12130.5f; }, RefreshGga, kLongitude,
         u"Longitude:121'30.50     "},
        {"altitude 592.3", [] { Nav.displayAltitude = 592.3f; }, RefreshGga, kAltitude,
         u"Altitude:592.30     "},
        {"altitude -12.5", [] { Nav.displayAltitude = -12.5f; }, RefreshGga, kAltitude,
         u"Altitude:-12.50     "},
        {"hdop 0.9", [] { Nav.hdop = 0.9f; }, RefreshGsa, kHdop, u"HDOP:0.90   "},
        {"pdop 12.25", [] { Nav.pdop = 12.25f; }, RefreshGsa, kPdop, u"PDOP:12.25   "},
        {"speed 0", [] {}, RefreshRmc, kSpeed, u"Speed:0.0  "},
        {"speed 22.4", [] { Nav.speedKnots = 22.4f; }, RefreshRmc, kSpeed, u"Speed:22.4  "},
        {"date 170305", [] { Nav.rmcDate = 170305.0f; }, RefreshRmc, kDate, u"2005/ 3/17   "},
        {"no date yet", [] {}, RefreshRmc, kDate, u"2000/ 0/ 0   "},
        {"time 090507", [] { Nav.rmcTime = 90507.0f; }, RefreshRmc, kTime, u" 9: 5: 7   "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetNmeaState();
        FillWindow(WhiteBrush);
        c.set();
        c.refresh(window);
        EXPECT_TRUE(FieldShows(c.box, c.text));
    }
}

// Each field with an overlong value, then a normal one: the overlong text
// stays in its own box and leaves nothing behind, so the screen ends as the
// normal values drawn on a fresh screen.
TEST_F(LayoutTest, OverlongValuesStayInTheirBoxesAndLeaveNoDebris) {
    struct Case {
        const char* name;
        void (*refresh)(HDC);
        std::vector<RECT> boxes;
        std::vector<float NavRecord::*> values;
        std::vector<float> overlong, normal;
    };
    const Case cases[] = {
        {"GGA",
         RefreshGga,
         {kAltitude, kLatitude, kLongitude},
         {&NavRecord::displayAltitude, &NavRecord::ggaLatitude, &NavRecord::ggaLongitude},
         {-3.0e38f, 3.0e38f, -3.0e38f},
         {592.3f, 4916.45f, 12311.12f}},
        {"GSA",
         RefreshGsa,
         {kHdop, kPdop},
         {&NavRecord::hdop, &NavRecord::pdop},
         {1.0e30f, -1.0e30f},
         {0.9f, 1.3f}},
        {"RMC",
         RefreshRmc,
         {kDate, kTime, kSpeed},
         {&NavRecord::rmcDate, &NavRecord::rmcTime, &NavRecord::speedKnots},
         {-1.0e20f, 3.0e38f, 1.0e30f},
         {230394.0f, 123519.0f, 22.4f}}};
    // Pixels that differ between two pictures outside the boxes.
    auto differing = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                        const std::vector<RECT>& boxes) {
        int count = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const int x = static_cast<int>(i % host::kScreenWidth);
            const int y = static_cast<int>(i / host::kScreenWidth);
            bool inside = false;
            for (const RECT& r : boxes)
                inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            count += !inside && a[i] != b[i] ? 1 : 0;
        }
        return count;
    };
    auto draw = [](const Case& c, const std::vector<float>& values) {
        for (size_t n = 0; n < values.size(); ++n)
            Nav.*c.values[n] = values[n];
        c.refresh(window);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawStaticScreen(window);
        draw(c, c.normal);
        const std::vector<uint32_t> fresh = Snapshot();

        ResetNmeaState();
        FillWindow(WhiteBrush);
        DrawStaticScreen(window);
        const std::vector<uint32_t> before = Snapshot();
        draw(c, c.overlong);
        EXPECT_EQ(differing(before, Snapshot(), c.boxes), 0) << "outside the fields' boxes";
        draw(c, c.normal);
        EXPECT_EQ(differing(fresh, Snapshot(), {}), 0) << "compared with a fresh screen";
        ResetNmeaState();
        FillWindow(WhiteBrush);
    }
}

TEST_F(LayoutTest, ChecksumMarkColours) {
    DrawChecksumFailureMark(window);
    for (int y = 30; y < 35; ++y) {
        for (int x = 5; x < 10; ++x)
            ASSERT_EQ(Px(x, y), kRed);
    }
    DrawChecksumMarkReset(window);
    for (int y = 30; y < 35; ++y) {
        for (int x = 5; x < 10; ++x)
            ASSERT_EQ(Px(x, y), kBlue);
    }
    EXPECT_EQ(Px(4, 32), kWhite);
    EXPECT_EQ(Px(10, 32), kWhite);
    EXPECT_EQ(Px(7, 29), kWhite);
    EXPECT_EQ(Px(7, 35), kWhite);
}

TEST_F(LayoutTest, EchoReplacesALongerEchoAndDrawsLineEndsAsNothing) {
    const std::u16string longer =
        u"$GPGGA,123519.00,4916.4512345,N,12311.1234567,W,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    const std::string shorter = "$GPGSA,A,1,,,,,,,,,,,,,,,*1E\r\n";
    const std::u16string wide(shorter.begin(), shorter.end());
    FillWindow(backdropBrush);
    DrawSentenceEcho(window, longer.data(), static_cast<int32_t>(longer.size()));
    DrawSentenceEcho(window, wide.data(), static_cast<int32_t>(wide.size()));
    EXPECT_TRUE(StatusShows(shorter));
    EXPECT_EQ(Px(4, 207), kBackdrop);
    EXPECT_EQ(Px(100, 199), kBackdrop);
    EXPECT_EQ(Px(100, 215), kBackdrop);
}

}  // namespace
