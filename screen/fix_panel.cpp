#include "screen/fix_panel.h"

#include <algorithm>
#include <cmath>

#include "nmea/fix_quality.h"
#include "nmea/reception.h"
#include "screen/drawing_resources.h"

namespace {

// A row of the screen's font is 15 pixels, as the text fields are; the
// panel starts a little right of the plot so that nothing touches it.
constexpr int32_t kLeft = 104;
constexpr int32_t kRight = 320;
constexpr int32_t kRowHeight = 15;
constexpr int32_t kTop = 100;
constexpr int32_t kTotalLeft = 212;
constexpr int32_t kCellWidth = 72;
constexpr int kCellsPerRow = 3;

constexpr const WCHAR* kSystemNames[kGnssSystemCount] = {u"GPS", u"SBS", u"GLO", u"GAL",
                                                         u"BDS", u"QZS", u"IRN"};

// The cells in drawing order: fix, error, first fix, total, then the systems.
constexpr int kCellCount = 4 + kSystemCells;
struct Cell {
    bool drawn;  // the window shows `text` in the box
    RECT box;
    WCHAR text[kPanelTextChars];
};
Cell cells[kCellCount];
SystemCounts counts;

RECT CellBox(int cell) {
    if (cell < 2) return {kLeft, kTop + cell * kRowHeight, kRight, kTop + (cell + 1) * kRowHeight};
    const int32_t top = kTop + 2 * kRowHeight;
    if (cell == 2) return {kLeft, top, kTotalLeft, top + kRowHeight};
    if (cell == 3) return {kTotalLeft, top, kRight, top + kRowHeight};
    const int system = cell - 4;
    const int32_t left = kLeft + (system % kCellsPerRow) * kCellWidth;
    const int32_t rowTop = top + (1 + system / kCellsPerRow) * kRowHeight;
    return {left, rowTop, std::min(left + kCellWidth, kRight), rowTop + kRowHeight};
}

// Zero-terminated text built from pieces; it stops at the buffer's end.
class Text {
  public:
    explicit Text(WCHAR* out) : out_(out) { out_[0] = 0; }
    Text& Add(const WCHAR* piece) {
        while (*piece != 0 && length_ < kPanelTextChars - 1)
            out_[length_++] = *piece++;
        out_[length_] = 0;
        return *this;
    }
    Text& Number(int32_t value) {
        wsprintfW(scratch_, u"%d", value);
        return Add(scratch_);
    }
    // One decimal, rounded as printf rounds.
    Text& Metres(double value) {
        wsprintfW(scratch_, u"%.1f", value);
        return Add(scratch_);
    }

  private:
    WCHAR* out_;
    int length_ = 0;
    WCHAR scratch_[1024];
};

const WCHAR* QualityWord(uint8_t quality) {
    switch (quality) {
        case kDifferential:
            return u"DGPS";
        case kPpsFix:
            return u"PPS";
        case kRtkFixed:
            return u"RTK fixed";
        case kRtkFloat:
            return u"RTK float";
        case kDeadReckoning:
            return u"DR";
        case kManualInput:
            return u"Manual";
        case kSimulated:
            return u"Sim";
        default:
            return nullptr;
    }
}

// Whole seconds, to the nearest: the two moments are read in ticks of the
// same length, so their difference rounds to the receiver's own seconds.
int32_t RoundedSeconds(uint32_t ms) {
    return static_cast<int32_t>(
        std::min<uint32_t>(ms / 1000 + (ms % 1000 >= 500 ? 1 : 0), INT32_MAX));
}

void FormatFix(const NavRecord& r, uint32_t nowMs, Text text) {
    const Reception& heard = r.reception;
    const uint32_t silent = nowMs - heard.lastHeardMs;
    if (silent >= kNoDataAfterMs) {
        // The fields keep what the receiver last said; this says how old it is.
        text.Add(u"No data ")
            .Number(static_cast<int32_t>(std::min<uint32_t>(silent / 1000, INT32_MAX)))
            .Add(u" s");
        return;
    }
    if (r.fixType < 2 && !HasPositionFix(r)) {
        text.Add(u"No fix");
        return;
    }
    text.Add(u"Fix");
    if (r.fixType == 2) text.Add(u" 2D");
    if (r.fixType == 3) text.Add(u" 3D");
    const WCHAR* word = QualityWord(ShownFixQuality(r.fixQuality, r.rmcMode, r.gnsMode));
    if (word != nullptr) text.Add(u" ").Add(word);
}

bool Known(const FixAccuracy& a, uint16_t bits) {
    return (a.known & bits) == bits;
}

// 1-sigma errors from the latest error report; without one, the estimates
// gpsd gives with a fix, under gpsd's names. Never a figure made up from the
// dilutions of precision.
void FormatError(const FixAccuracy& a, Text text) {
    const bool horizontal = Known(a, kLatitudeSigma | kLongitudeSigma);
    const bool vertical = Known(a, kAltitudeSigma);
    if (horizontal || vertical) {
        text.Add(u"Error");
        if (horizontal) {
            const double lat = a.latitudeSigma;
            const double lon = a.longitudeSigma;
            text.Add(u" H ").Metres(std::sqrt(lat * lat + lon * lon)).Add(u" m");
        }
        if (vertical) text.Add(u" V ").Metres(a.altitudeSigma).Add(u" m");
        return;
    }
    const bool eph = Known(a, kHorizontalError);
    const bool epv = Known(a, kVerticalError);
    if (eph || epv) {
        text.Add(u"Error");
        if (eph) text.Add(u" eph ").Metres(a.horizontalError).Add(u" m");
        if (epv) text.Add(u" epv ").Metres(a.verticalError).Add(u" m");
        return;
    }
    text.Add(u"No error estimate");
}

void FormatFirstFix(const Reception& heard, uint32_t nowMs, Text text) {
    if (heard.fixed != 0) {
        text.Add(u"TTFF ").Number(RoundedSeconds(heard.firstFixMs - heard.firstHeardMs)).Add(u" s");
        return;
    }
    // Still waiting: the count goes up.
    const uint32_t waited = nowMs - heard.firstHeardMs;
    text.Add(u"TTFF ")
        .Number(static_cast<int32_t>(std::min<uint32_t>(waited / 1000, INT32_MAX)))
        .Add(u" s...");
}

void DrawCell(HDC dc, const Cell& cell) {
    FillScratch(dc, cell.box, WhiteBrush);
    DrawTextInRect(dc, cell.box.left, cell.box.right, cell.box.top, cell.box.bottom, cell.text);
}

bool SameText(const WCHAR* a, const WCHAR* b) {
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

}  // namespace

void CountSystems(const SkyView& sky, SystemCounts* out) {
    *out = SystemCounts{};
    for (int32_t i = 0; i < sky.count; ++i) {
        const SkySatellite& s = sky.satellites[i];
        const int system = static_cast<int>(s.system);
        ++out->inView[system];
        if (s.used) ++out->used[system];
    }
}

void FormatFixPanel(const NavRecord& r, const SystemCounts& c, uint32_t nowMs, PanelTexts* t) {
    *t = PanelTexts{};
    // Nothing is known of a source until it has said something.
    if (r.reception.heard == 0) return;
    FormatFix(r, nowMs, Text(t->fix));
    FormatError(r.accuracy, Text(t->error));
    FormatFirstFix(r.reception, nowMs, Text(t->firstFix));

    int32_t used = 0, inView = 0;
    int cell = 0;
    for (int s = 0; s < kGnssSystemCount; ++s) {
        used += c.used[s];
        inView += c.inView[s];
        if (c.inView[s] == 0) continue;
        Text(t->systems[cell++])
            .Add(kSystemNames[s])
            .Add(u" ")
            .Number(c.used[s])
            .Add(u"/")
            .Number(c.inView[s]);
    }
    // GNS counts the satellites of systems a receiver sends no GSA or GSV for.
    if (r.gnsUsedKnown != 0) used = std::max<int32_t>(used, r.gnsSatellitesUsed);
    Text(t->total).Add(u"Sats ").Number(used).Add(u"/").Number(inView);
}

void NoteSkyForPanel(const SkyView& sky) {
    CountSystems(sky, &counts);
}

void DrawFixPanel(HDC dc) {
    static PanelTexts texts;
    FormatFixPanel(Nav, counts, GetTickCount(), &texts);
    const WCHAR* next[kCellCount] = {texts.fix, texts.error, texts.firstFix, texts.total};
    for (int i = 0; i < kSystemCells; ++i)
        next[4 + i] = texts.systems[i];
    for (int i = 0; i < kCellCount; ++i) {
        Cell& cell = cells[i];
        if (cell.drawn && SameText(cell.text, next[i])) continue;
        cell.drawn = true;
        cell.box = CellBox(i);
        std::copy(next[i], next[i] + kPanelTextChars, cell.text);
        DrawCell(dc, cell);
    }
}

void RepaintFixPanel(HDC dc) {
    FillScratch(dc, kFixPanelArea, WhiteBrush);
    for (const Cell& cell : cells) {
        if (cell.drawn) DrawCell(dc, cell);
    }
}

void ForgetFixPanel() {
    for (Cell& cell : cells)
        cell.drawn = false;
}

void ResetFixPanel() {
    counts = SystemCounts{};
    ForgetFixPanel();
}
