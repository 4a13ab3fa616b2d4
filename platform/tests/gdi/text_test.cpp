// DrawTextW on real FreeType glyphs: cells, clipping, line breaks, fits.

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/gdi/window_dc.h"
#include "surface.h"

namespace {

using namespace gdi_test;

// The box holding every pixel other than the background; left < 0 when none.
RECT InkOf(const host::PixelView& v, COLORREF background) {
    RECT ink{-1, -1, -1, -1};
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (v.At(x, y) == background) continue;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (ink.top < 0) ink.top = y;
            ink.right = std::max<LONG>(ink.right, x + 1);
            ink.bottom = y + 1;
        }
    return ink;
}

// The widest texts of the main screen fit their fields in the default font.
TEST(Text, LayoutTextsFitTheirFields) {
    const gdi::FontMetrics metrics = gdi::DefaultFontMetrics();
    EXPECT_LE(metrics.line_height, 15);
    EXPECT_GE(metrics.line_height, 10);
    const struct {
        const char16_t* text;
        int width;
    } cases[] = {
        {u"Longitude:121'30.50", 120}, {u"Altitude:-9999.99", 90}, {u"HDOP:99.99", 75},
        {u"PDOP:99.99", 60},           {u"2026/12/31", 75},        {u"23:59:59", 60},
        {u"Latitude:89'59.99", 105},   {u"Speed:999.9", 75},
    };
    for (const auto& c : cases) {
        const std::u16string text(c.text);
        EXPECT_LE(gdi::MeasureText(c.text, -1), c.width) << std::string(text.begin(), text.end());
    }
}

// Opaque: white cells with grey to black ink, nothing outside them.
// Transparent: the text colour over what was there, only where there is ink.
TEST(Text, OpaqueFillsTheCellsTransparentDrawsOnlyGlyphsInTheTextColour) {
    const int width = gdi::MeasureText(u"Hi", 2);
    const int height = gdi::DefaultFontMetrics().line_height;
    Surface opaque(40, 20, kGreen);
    Surface clear(40, 20, kGreen);
    SetBkMode(clear.dc(), TRANSPARENT);
    SetTextColor(clear.dc(), kRed);
    for (const Surface* s : {&opaque, &clear}) {
        RECT r{2, 1, 40, 20};
        EXPECT_EQ(DrawTextW(s->dc(), u"Hi", 2, &r, DT_SINGLELINE), height);
    }
    int full_ink = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const COLORREF o = opaque.At(x, y);
            const COLORREF t = clear.At(x, y);
            const bool cell = x >= 2 && x < 2 + width && y >= 1 && y < 1 + height;
            ASSERT_EQ(o != kGreen, cell) << x << "," << y;
            ASSERT_TRUE(!cell || (GetRValue(o) == GetGValue(o) && GetGValue(o) == GetBValue(o)));
            ASSERT_EQ(t != kGreen, cell && o != kWhite) << x << "," << y;
            ASSERT_EQ(GetBValue(t), 0);
            full_ink += t == kRed;
        }
    EXPECT_GT(full_ink, 0);
}

TEST(Text, ClippedAtTheRectangle) {
    Surface s(60, 30, kGreen);
    RECT r{5, 5, 20, 12};
    DrawTextW(s.dc(), u"WWWWWWWWWWWWWWWWWWWW", -1, &r, DT_SINGLELINE);
    const host::PixelView v = s.pixels();
    EXPECT_EQ(CountOther(v, kGreen, 0, 0, 60, 30), 15 * 7);
    EXPECT_EQ(CountOther(v, kGreen, 5, 5, 20, 12), 15 * 7);
    EXPECT_GT(CountOther(v, kWhite, 19, 5, 20, 12), 0);  // ink up to the edge
}

TEST(Text, LineBreaksAndCharactersPastTheCountDrawNothing) {
    const struct {
        const char* name;
        const char16_t* text;
        int count;
        UINT format;
    } cases[] = {
        {"line breaks", u"A\r\nB\r", -1, 0},
        {"line breaks, single line", u"A\r\nB\r", -1, DT_SINGLELINE},
        {"past the count", u"AB:34", 2, DT_SINGLELINE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Surface plain(80, 30);
        Surface other(80, 30);
        RECT r{0, 0, 80, 30};
        DrawTextW(plain.dc(), u"AB", -1, &r, c.format);
        DrawTextW(other.dc(), c.text, c.count, &r, c.format);
        EXPECT_EQ(Picture(plain.pixels()), Picture(other.pixels()));
    }
    EXPECT_EQ(gdi::MeasureText(u"A\r\nB\t\x7f", -1), gdi::MeasureText(u"AB", -1));
}

TEST(Text, EmptyTextBadArgumentsAndFarRectanglesDrawNothing) {
    Surface s(40, 20, kGreen);
    RECT r{0, 0, 40, 20};
    EXPECT_EQ(DrawTextW(s.dc(), u"Hello", -2, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(s.dc(), u"Hello", 5, nullptr, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(s.dc(), nullptr, 5, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(nullptr, u"Hello", 5, &r, DT_SINGLELINE), 0);
    for (RECT far : {r, RECT{30, 0, 0, 20}, RECT{INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX},
                     RECT{INT_MIN, INT_MIN, INT_MIN + 40, INT_MIN + 20}})
        DrawTextW(s.dc(), far.left == 0 ? u"" : u"Hello", -1, &far, DT_SINGLELINE);
    EXPECT_EQ(CountOther(s.pixels(), kGreen, 0, 0, 40, 20), 0);
    EXPECT_EQ(gdi::MeasureText(u"abc", -7), 0);
}

TEST(Text, OddLongAndManyCharactersDrawSafely) {
    const char16_t odd[] = {u'A',   0x0007, 0x0009, 0xD800, u'B',   0xDC00, 0xD83D, 0xDE00,
                            0xFFFF, 0x4E2D, 0x00E9, 0x007F, 0x0085, 0x2028, 0};
    Surface s(200, 20);
    RECT r{0, 0, 200, 20};
    EXPECT_GT(DrawTextW(s.dc(), odd, -1, &r, DT_SINGLELINE), 0);
    // More different characters than the glyph cache holds, twice.
    std::u16string many;
    for (char16_t c = 0x100; c < 0x600; ++c)
        many += c;
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(DrawTextW(s.dc(), many.c_str(), -1, &r, 0), 0);
    // A long text into a small box fills the box's first line and no more.
    const std::u16string eights(100000, u'8');
    const int line = gdi::DefaultFontMetrics().line_height;
    Surface small(30, 20, kGreen);
    RECT box{0, 0, 30, 20};
    EXPECT_GT(DrawTextW(small.dc(), eights.c_str(), 100000, &box, 0), 0);
    EXPECT_EQ(CountOther(small.pixels(), kGreen, 0, 0, 30, line), 30 * line);
    EXPECT_EQ(CountOther(small.pixels(), kGreen, 0, line, 30, 20), 0);
    EXPECT_EQ(gdi::MeasureText(eights.c_str(), 100000), 100000 * gdi::MeasureText(u"8", 1));
}

TEST(Text, CentredCaptions) {
    Surface s(60, 30);
    RECT r{0, 0, 60, 30};
    SetBkMode(s.dc(), TRANSPARENT);
    DrawTextW(s.dc(), u"Log", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const RECT ink = InkOf(s.pixels(), kWhite);
    ASSERT_GE(ink.left, 0);
    EXPECT_LE(std::abs(ink.left - (60 - ink.right)), 2);
    EXPECT_LE(std::abs(ink.top - (30 - ink.bottom)), 4);
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
    EXPECT_EQ(Picture(s.pixels(), reach), Picture(fresh.pixels(), reach));
    EXPECT_GT(CountOther(s.pixels(), kWhite, reach, 0, 120, 15), 0);
}

// DT_CALCRECT measures and draws nothing: the box grows to the text's width
// and the line's height from its left and top, whatever it was.
TEST(Text, CalcRectMeasuresWithoutDrawing) {
    Surface s(60, 30, kGreen);
    const int height = gdi::DefaultFontMetrics().line_height;
    const struct {
        const char16_t* text;
        int count;
    } cases[] = {{u"C19", -1}, {u"12", 2}, {u"E301x", 4}, {u"", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::u16string(c.text).size());
        RECT r{5, 7, 6, 8};
        EXPECT_EQ(DrawTextW(s.dc(), c.text, c.count, &r, DT_CALCRECT | DT_SINGLELINE), height);
        EXPECT_EQ(r.left, 5);
        EXPECT_EQ(r.top, 7);
        EXPECT_EQ(r.right, 5 + gdi::MeasureText(c.text, c.count));
        EXPECT_EQ(r.bottom, 7 + height);
    }
    EXPECT_EQ(CountOther(s.pixels(), kGreen, 0, 0, 60, 30), 0);
}

}  // namespace
