#include "screen/main_screen.h"

#include <algorithm>

#include "nmea/calendar.h"
#include "nmea/nav_record.h"
#include "nmea/number_text.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/fix_panel.h"
#include "screen/plot_face.h"
#include "screen/screen_areas.h"
#include "screen/signal_bars.h"
#include "screen/sky_layout.h"
#include "screen/sky_plot.h"

namespace {

// wsprintfW writes at most 1024 characters, terminator included.
constexpr int kTextChars = 1024;
WCHAR textBuffer[kTextChars];
SkyView sky;

struct FieldBox {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;
    int32_t index;  // into fieldTexts
};

// Boxes in DrawTextInRect's argument order: left, right, top, bottom.
constexpr FieldBox kDateField{15, 90, 25, 40, 0};
constexpr FieldBox kTimeField{130, 190, 25, 40, 1};
constexpr FieldBox kHdopField{15, 90, 40, 55, 2};
constexpr FieldBox kPdopField{130, 190, 40, 55, 3};
constexpr FieldBox kSpeedField{15, 90, 55, 70, 4};
constexpr FieldBox kAltitudeField{130, 220, 55, 70, 5};
constexpr FieldBox kLatitudeField{15, 120, 70, 85, 6};
constexpr FieldBox kLongitudeField{130, 250, 70, 85, 7};
constexpr int kFieldCount = 8;

constexpr const FieldBox* kFields[kFieldCount] = {&kDateField,     &kTimeField,     &kHdopField,
                                                  &kPdopField,     &kSpeedField,    &kAltitudeField,
                                                  &kLatitudeField, &kLongitudeField};

// Past every box at any character's width: a longer text shows as its head.
constexpr int32_t kFieldTextChars = 64;

// What each field shows: a value that has not changed is not drawn again,
// and a repaint draws the field as it stood. A longer text is kept as far as
// its box shows it, and always drawn.
struct FieldText {
    bool drawn;     // the box shows `text`
    bool complete;  // `text` is the whole of what was drawn
    int32_t length;
    WCHAR text[kFieldTextChars + 1];  // zero-terminated
};
FieldText fieldTexts[kFieldCount];

// True when the field shows this text already; else notes it as shown.
bool FieldShows(const FieldBox& box, const WCHAR* text) {
    FieldText& shown = fieldTexts[box.index];
    const int32_t length = TextLength(text);
    if (shown.drawn && shown.complete && shown.length == length &&
        std::equal(text, text + length, static_cast<const WCHAR*>(shown.text))) {
        return true;
    }
    shown.drawn = true;
    shown.complete = length <= kFieldTextChars;
    shown.length = std::min(length, kFieldTextChars);
    std::copy(text, text + shown.length, shown.text);
    shown.text[shown.length] = 0;
    return false;
}

constexpr RECT kChecksumMark{5, 30, 10, 35};
constexpr RECT kNoFixCounter{0, 100, 25, 135};

// The rest of what the window shows, for a repaint: whether the static screen
// has been drawn, the checksum mark and the no-fix count.
enum class Mark : uint8_t { kNone, kBlue, kRed };
struct Shown {
    bool staticScreen;
    Mark mark;
    bool counter;          // the no-fix count has been drawn
    bool counterOverPlot;  // after the plot that stands there
    WCHAR counterText[kNoFixCountChars];
};
Shown shown;

// A field owns its box: it is cleared to white first, so no glyph of a longer
// earlier value outlives the new one, and the text is cut at the box's edges,
// so an overlong value never reaches a neighbour. A value that fits looks as
// it would on a fresh screen.
void DrawField(HDC dc, const FieldBox& box, const WCHAR* text) {
    if (FieldShows(box, text)) return;
    FillScratch(dc, {box.left, box.top, box.right, box.bottom}, WhiteBrush);
    DrawTextInRect(dc, box.left, box.right, box.top, box.bottom, text);
}

// Degrees and minutes, then the hemisphere letter after a space: the same
// numbers stand for places a hemisphere apart. No letter when the sentence
// carried none (or something that names no hemisphere).
void FormatPosition(WCHAR* out, const WCHAR* format, float value, char hemisphere, char one,
                    char other) {
    int32_t degrees = 0;
    float minutes = 0.0f;
    SplitDegreesMinutes(value, &degrees, &minutes);
    int length = wsprintfW(out, format, degrees, static_cast<double>(minutes));
    if ((hemisphere == one || hemisphere == other) && length < kTextChars - 3) {
        out[length++] = u' ';
        out[length++] = static_cast<WCHAR>(hemisphere);
        out[length] = 0;
    }
}

// The plot's circles, crosshair and compass letters, where no plot has been
// drawn yet. The same black pen and white brush as a fresh window DC,
// selected explicitly so a DC that has already drawn the frames still gets
// white circles.
void DrawEmptyPlot(HDC dc) {
    HGDIOBJ oldPen = SelectObject(dc, BlackPen);
    HGDIOBJ oldBrush = SelectObject(dc, WhiteBrush);
    DrawPlotFace(dc, kPlotArea.top);
    if (oldBrush != nullptr) SelectObject(dc, oldBrush);
    if (oldPen != nullptr) SelectObject(dc, oldPen);
}

// A frame where each bar of the strip will stand.
void DrawBarFrames(HDC dc) {
    HGDIOBJ oldPen = SelectObject(dc, BlackPen);
    HGDIOBJ oldBrush = SelectObject(dc, BlueBrush);
    for (int32_t x = 0; x <= 300; x += 20)
        RectangleScratch(dc, {x, 230, x + 18, 270});
    if (oldBrush != nullptr) SelectObject(dc, oldBrush);
    if (oldPen != nullptr) SelectObject(dc, oldPen);
}

void DrawCounterText(HDC dc) {
    DrawTextScratch(dc, shown.counterText, -1, kNoFixCounter, DT_SINGLELINE);
}

}  // namespace

void ForgetDrawnScreen() {
    for (FieldText& field : fieldTexts)
        field.drawn = false;
    ForgetSkyPlot();
    ForgetSignalBars();
    ForgetFixPanel();
}

void ResetScreenState() {
    ForgetDrawnScreen();
    ForgetStatusLine();
    ForgetSkyLayout();
    ResetFixPanel();
    shown = Shown{};
}

void DrawStaticScreen(HDC dc) {
    // It draws over every field, the plot and the bars.
    ForgetDrawnScreen();
    shown.staticScreen = true;
    DrawField(dc, kAltitudeField, u"Altitude:     ");
    DrawField(dc, kLatitudeField, u"Latitude:     ");
    DrawField(dc, kLongitudeField, u"Longitude:    ");
    DrawField(dc, kHdopField, u"HDOP:   ");
    DrawField(dc, kPdopField, u"PDOP:   ");
    DrawField(dc, kDateField, u"2005/00/00   ");
    DrawField(dc, kTimeField, u"00:00:00   ");
    DrawField(dc, kSpeedField, u"Speed: ");
    FillScratch(dc, kBandArea, BlueBrush);
    DrawEmptyPlot(dc);
    DrawBarFrames(dc);
}

void DrawEmptyScreen(HDC dc) {
    for (const RECT& area : {kPlotArea, kStripArea, kChecksumMark})
        FillScratch(dc, area, WhiteBrush);
    shown.mark = Mark::kNone;
    shown.counter = false;
    DrawStaticScreen(dc);
    // Nothing of the old source's panel or sky stays either.
    ResetFixPanel();
    ForgetSkyLayout();
    DrawFixPanel(dc);
}

void RepaintScreen(HDC dc) {
    if (!shown.staticScreen) return;
    if (shown.mark != Mark::kNone) {
        FillScratch(dc, kChecksumMark, shown.mark == Mark::kRed ? RedBrush : BlueBrush);
    }
    for (const FieldBox* box : kFields) {
        const FieldText& field = fieldTexts[box->index];
        if (!field.drawn) continue;
        FillScratch(dc, {box->left, box->top, box->right, box->bottom}, WhiteBrush);
        DrawTextInRect(dc, box->left, box->right, box->top, box->bottom, field.text);
    }
    FillScratch(dc, kBandArea, BlueBrush);
    const bool plot = RepaintSkyPlot(dc);
    if (!plot) DrawEmptyPlot(dc);
    if (shown.counter && (shown.counterOverPlot || !plot)) DrawCounterText(dc);
    if (!RepaintSignalBars(dc)) DrawBarFrames(dc);
    RepaintStatusLine(dc);
    RepaintFixPanel(dc);
}

void DrawNoFixCounter(HDC dc) {
    FormatNoFixCount(shown.counterText);
    shown.counter = true;
    shown.counterOverPlot = true;
    DrawCounterText(dc);
}

void DrawChecksumMarkReset(HDC dc) {
    shown.mark = Mark::kBlue;
    FillScratch(dc, kChecksumMark, BlueBrush);
}

void DrawChecksumFailureMark(HDC dc) {
    shown.mark = Mark::kRed;
    FillScratch(dc, kChecksumMark, RedBrush);
}

void SplitDegreesMinutes(float value, int32_t* degrees, float* minutes) {
    int32_t whole = TruncateToInt32(value) / 100;
    *degrees = whole;
    *minutes = value - static_cast<float>(whole * 100);
}

void RefreshGga(HDC dc) {
    wsprintfW(textBuffer, u"Altitude:%6.2f     ", static_cast<double>(Nav.displayAltitude));
    DrawField(dc, kAltitudeField, textBuffer);
    FormatPosition(textBuffer, u"Latitude:%2d'%2.2f", Nav.ggaLatitude, Nav.ggaNorthSouth, 'N', 'S');
    DrawField(dc, kLatitudeField, textBuffer);
    FormatPosition(textBuffer, u"Longitude:%2d'%2.2f", Nav.ggaLongitude, Nav.ggaEastWest, 'E', 'W');
    DrawField(dc, kLongitudeField, textBuffer);
}

void RefreshGsa(HDC dc) {
    wsprintfW(textBuffer, u"HDOP:%2.2f   ", static_cast<double>(Nav.hdop));
    DrawField(dc, kHdopField, textBuffer);
    wsprintfW(textBuffer, u"PDOP:%2.2f   ", static_cast<double>(Nav.pdop));
    DrawField(dc, kPdopField, textBuffer);
}

void RefreshRmc(HDC dc) {
    int32_t year = 0, month = 0, day = 0;
    Nav.DecodeDate(Nav.rmcDate, &year, &month, &day);
    int32_t hour = 0, minute = 0, second = 0, dayShift = 0;
    Nav.DecodeLocalTime(Nav.rmcTime, &hour, &minute, &second, &dayShift);
    // The date follows the local time across midnight.
    ShiftDate(&year, &month, &day, dayShift);

    wsprintfW(textBuffer, u"%4d/%2d/%2d   ", year, month, day);
    DrawField(dc, kDateField, textBuffer);
    wsprintfW(textBuffer, u"%2d:%2d:%2d   ", hour, minute, second);
    DrawField(dc, kTimeField, textBuffer);
    wsprintfW(textBuffer, u"Speed:%3.1f  ", static_cast<double>(Nav.speedKnots));
    DrawField(dc, kSpeedField, textBuffer);
}

void RefreshGsv(HDC dc) {
    // Both read the same view of the sky, built once.
    BuildSkyView(Nav, &sky);
    NoteSkyForPanel(sky);
    if (DrawSkyPlot(dc, sky)) shown.counterOverPlot = false;
    DrawSignalBars(dc, sky);
}
