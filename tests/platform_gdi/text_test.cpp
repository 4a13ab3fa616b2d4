// DrawTextW on real FreeType glyphs: cells, clipping, line breaks, fits.

#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/window_dc.h"
#include "surface.h"

namespace {

using namespace gdi_test;

// Columns [first, last] holding a pixel other than the background, or -1.
struct Ink {
    int first = -1;
    int last = -1;
    int top = -1;
    int bottom = -1;
};

Ink InkOf(const host::PixelView& v, COLORREF background) {
    Ink ink;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (v.At(x, y) == background) continue;
            if (ink.first < 0 || x < ink.first) ink.first = x;
            if (x > ink.last) ink.last = x;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
        }
    return ink;
}

TEST(Text, LayoutTextsFitTheirFields) {
    const gdi::FontMetrics metrics = gdi::DefaultFontMetrics();
    EXPECT_LE(metrics.line_height, 15);
    EXPECT_GE(metrics.line_height, 10);
    EXPECT_GE(metrics.average_char_width, 4);
    EXPECT_LE(metrics.average_char_width, 8);
    struct Case {
        const char16_t* text;
        int width;
    };
    const Case cases[] = {
        {u"Longitude:121'30.50", 120}, {u"Altitude:-9999.99", 90}, {u"HDOP:99.99", 75},
        {u"PDOP:99.99", 60},           {u"2026/12/31", 75},        {u"23:59:59", 60},
        {u"Latitude:89'59.99", 105},   {u"Speed:999.9", 75},
    };
    for (const Case& c : cases) {
        const std::u16string text(c.text);
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        EXPECT_LE(gdi::MeasureText(c.text, -1), c.width);
        // The drawn ink ends inside the field too.
        Surface s(200, 15);
        RECT r{0, 0, 200, 15};
        EXPECT_EQ(DrawTextW(s.dc(), c.text, -1, &r, DT_SINGLELINE), metrics.line_height);
        const Ink ink = InkOf(s.pixels(), kWhite);
        EXPECT_GE(ink.first, 0);
        EXPECT_LT(ink.last, c.width);
    }
}

TEST(Text, OpaqueFillsTheCellsTransparentDrawsOnlyGlyphs) {
    const int width = gdi::MeasureText(u"Hi", 2);
    const int height = gdi::DefaultFontMetrics().line_height;
    ASSERT_GT(width, 0);

    Surface opaque(40, 20, kGreen);
    RECT r{2, 1, 40, 20};
    EXPECT_EQ(DrawTextW(opaque.dc(), u"Hi", 2, &r, DT_SINGLELINE), height);
    const host::PixelView v = opaque.pixels();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool cell = x >= 2 && x < 2 + width && y >= 1 && y < 1 + height;
            if (cell) {
                ASSERT_NE(v.At(x, y), kGreen) << x << "," << y;
            } else {
                ASSERT_EQ(v.At(x, y), kGreen) << x << "," << y;
            }
        }
    // The cells are white with black ink.
    EXPECT_EQ(v.At(2, 1), kWhite);
    EXPECT_GT(CountOther(v, kWhite, 2, 1, 2 + width, 1 + height), 5);

    Surface clear(40, 20, kGreen);
    SetBkMode(clear.dc(), TRANSPARENT);
    DrawTextW(clear.dc(), u"Hi", 2, &r, DT_SINGLELINE);
    const host::PixelView t = clear.pixels();
    int ink = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_NE(t.At(x, y), kWhite);  // no cell fill
            if (t.At(x, y) != kGreen) {
                ++ink;
                // Ink sits where the opaque text had ink.
                EXPECT_NE(v.At(x, y), kWhite) << x << "," << y;
            }
        }
    EXPECT_GT(ink, 5);
}

TEST(Text, ColoursComeFromTheDc) {
    Surface s(40, 20, kGreen);
    SetTextColor(s.dc(), kRed);
    RECT r{0, 0, 40, 20};
    DrawTextW(s.dc(), u"l", 1, &r, 0);
    const host::PixelView v = s.pixels();
    bool red = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            red = red || (GetRValue(v.At(x, y)) > 200 && GetGValue(v.At(x, y)) < 100);
    EXPECT_TRUE(red);
    EXPECT_EQ(v.At(0, 0), kWhite) << "opaque cells are white";
}

TEST(Text, ClippedAtTheRectangle) {
    Surface s(60, 30, kGreen);
    RECT r{5, 5, 20, 12};
    DrawTextW(s.dc(), u"WWWWWWWWWWWWWWWWWWWW", -1, &r, DT_SINGLELINE);
    const host::PixelView v = s.pixels();
    EXPECT_EQ(CountOther(v, kGreen, 0, 0, 60, 30), CountOther(v, kGreen, 5, 5, 20, 12));
    EXPECT_EQ(CountOther(v, kGreen, 5, 5, 20, 12), 15 * 7);
    EXPECT_GT(CountOther(v, kWhite, 15, 5, 20, 12), 0);  // ink up to the edge
}

TEST(Text, LineBreaksAndCharactersPastTheCountDrawNothing) {
    struct Case {
        const char* name;
        const char16_t* text;
        int count;
        UINT format;
    };
    const Case cases[] = {
        {"line breaks", u"A\r\nB\r", -1, 0},
        {"line breaks, single line", u"A\r\nB\r", -1, DT_SINGLELINE},
        {"past the count", u"AB:34", 2, DT_SINGLELINE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surface plain(80, 30);
        Surface other(80, 30);
        RECT r{0, 0, 80, 30};
        DrawTextW(plain.dc(), u"AB", -1, &r, c.format);
        DrawTextW(other.dc(), c.text, c.count, &r, c.format);
        EXPECT_EQ(Picture(plain.pixels()), Picture(other.pixels()));
    }
    EXPECT_EQ(gdi::MeasureText(u"A\r\nB", -1), gdi::MeasureText(u"AB", -1));
}

TEST(Text, EmptyTextAndBadArgumentsDrawNothing) {
    Surface s(40, 20, kGreen);
    RECT r{0, 0, 40, 20};
    const char16_t* nothing = u"";
    DrawTextW(s.dc(), nothing, -1, &r, DT_SINGLELINE);
    DrawTextW(s.dc(), u"Hello", 0, &r, DT_SINGLELINE);
    EXPECT_EQ(DrawTextW(s.dc(), u"Hello", -2, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(s.dc(), u"Hello", 5, nullptr, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(s.dc(), nullptr, 5, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(nullptr, u"Hello", 5, &r, DT_SINGLELINE), 0);
    RECT inverted{30, 0, 0, 20};
    DrawTextW(s.dc(), u"Hello", 5, &inverted, DT_SINGLELINE);
    RECT far{INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX};
    DrawTextW(s.dc(), u"Hello", 5, &far, DT_SINGLELINE);
    RECT before{INT_MIN, INT_MIN, INT_MIN + 40, INT_MIN + 20};
    DrawTextW(s.dc(), u"Hello", 5, &before, DT_SINGLELINE);
    EXPECT_EQ(CountOther(s.pixels(), kGreen, 0, 0, 40, 20), 0);
    EXPECT_EQ(gdi::MeasureText(nullptr, 3), 0);
    EXPECT_EQ(gdi::MeasureText(u"abc", -7), 0);
}

TEST(Text, OddCharactersNeverCrash) {
    const char16_t odd[] = {u'A',   0x0007, 0x0009, 0xD800, u'B',   0xDC00, 0xD83D, 0xDE00,
                            0xFFFF, 0x4E2D, 0x00E9, 0x007F, 0x0085, 0x2028, 0};
    Surface s(200, 20);
    RECT r{0, 0, 200, 20};
    EXPECT_GT(DrawTextW(s.dc(), odd, -1, &r, DT_SINGLELINE), 0);
    // Control characters take no room.
    EXPECT_EQ(gdi::MeasureText(u"A\tB\x7f", -1), gdi::MeasureText(u"AB", -1));
    // Many different characters, more than the cache holds, twice.
    std::u16string many;
    for (char16_t c = 0x100; c < 0x600; ++c)
        many += c;
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(DrawTextW(s.dc(), many.c_str(), -1, &r, 0), 0);
}

TEST(Text, LongTextIntoASmallBox) {
    const std::u16string text(100000, u'8');
    Surface s(30, 20, kGreen);
    RECT r{0, 0, 30, 20};
    EXPECT_GT(DrawTextW(s.dc(), text.c_str(), static_cast<int>(text.size()), &r, 0), 0);
    EXPECT_EQ(CountOther(s.pixels(), kGreen, 0, 0, 30, gdi::DefaultFontMetrics().line_height),
              30 * gdi::DefaultFontMetrics().line_height);
    EXPECT_EQ(gdi::MeasureText(text.c_str(), static_cast<int>(text.size())),
              100000 * gdi::MeasureText(u"8", 1));
}

TEST(Text, CentredCaptions) {
    Surface s(60, 30);
    RECT r{0, 0, 60, 30};
    SetBkMode(s.dc(), TRANSPARENT);
    DrawTextW(s.dc(), u"Log", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const Ink ink = InkOf(s.pixels(), kWhite);
    ASSERT_GE(ink.first, 0);
    EXPECT_LE(std::abs(ink.first - (59 - ink.last)), 2);
    EXPECT_LE(std::abs(ink.top - (29 - ink.bottom)), 4);
    // Without DT_SINGLELINE, DT_VCENTER does nothing.
    Surface top(60, 30);
    SetBkMode(top.dc(), TRANSPARENT);
    DrawTextW(top.dc(), u"Log", -1, &r, DT_CENTER | DT_VCENTER);
    EXPECT_LT(InkOf(top.pixels(), kWhite).top, ink.top);
}

TEST(Text, ANewValueCoversTheOldAsFarAsItReaches) {
    Surface s(120, 15);
    RECT r{0, 0, 120, 15};
    DrawTextW(s.dc(), u"Speed:888.8  ", -1, &r, DT_SINGLELINE);
    DrawTextW(s.dc(), u"Speed:0.0  ", -1, &r, DT_SINGLELINE);
    Surface fresh(120, 15);
    DrawTextW(fresh.dc(), u"Speed:0.0  ", -1, &r, DT_SINGLELINE);
    const int reach = gdi::MeasureText(u"Speed:0.0  ", -1);
    EXPECT_EQ(Picture(s.pixels(), 0, 0, reach), Picture(fresh.pixels(), 0, 0, reach));
    EXPECT_GT(CountOther(s.pixels(), kWhite, reach, 0, 120, 15), 0);
}

}  // namespace
