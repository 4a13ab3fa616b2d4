// The fix panel, right of the sky plot: how good the fix is (its kind and
// quality, or how long the source has been silent), the error estimate, the
// time to first fix and the satellites used and in view per system.
#pragma once

#include <cstdint>

#include "nmea/nav_record.h"
#include "nmea/satellite_identity.h"
#include "nmea/sky_view.h"
#include "win/windows.h"

// The panel's area on the window: x 100 to 320, y 100 to 200.
inline constexpr RECT kFixPanelArea{100, 100, 320, 200};

// After this long without a verified sentence (or gpsd report) the fix line
// says how old the data shown is.
inline constexpr uint32_t kNoDataAfterMs = 3000;

// Satellites per system as the sky view holds them, each once however many
// signals it was heard on.
struct SystemCounts {
    uint16_t used[kGnssSystemCount];
    uint16_t inView[kGnssSystemCount];
};

void CountSystems(const SkyView& sky, SystemCounts* counts);

// The panel's texts, each zero-terminated; empty where nothing is shown.
inline constexpr int kPanelTextChars = 48;
inline constexpr int kSystemCells = 9;
struct PanelTexts {
    WCHAR fix[kPanelTextChars];
    WCHAR error[kPanelTextChars];
    WCHAR firstFix[kPanelTextChars];
    WCHAR total[kPanelTextChars];
    // The systems in view in the screen's order, three to a row.
    WCHAR systems[kSystemCells][kPanelTextChars];
};

// What the panel shows for this record and these counts at nowMs (the
// program's clock).
void FormatFixPanel(const NavRecord& record, const SystemCounts& counts, uint32_t nowMs,
                    PanelTexts* texts);

// The sky view the plot shows has changed: the panel counts from it.
void NoteSkyForPanel(const SkyView& sky);
// Draws the texts that changed since the panel was last drawn, on the
// window's device context; the clock is GetTickCount's.
void DrawFixPanel(HDC dc);
// Draws the panel again as it stands (a paint).
void RepaintFixPanel(HDC dc);
// Something else drew over the panel: its next draw draws every text.
void ForgetFixPanel();
// The source and what the panel counted from it are gone; the next draw
// draws every text (blank ones as white).
void ResetFixPanel();
