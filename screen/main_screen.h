// The fixed screen layout: the static screen, the text fields and their
// refreshes, the checksum mark and the status line.
#pragma once

#include <cstdint>

#include "win/windows.h"

// Also forgets what the fields, the plot and the bars showed.
void DrawStaticScreen(HDC dc);
// The static screen on a screen cleared of every value: as at start-up.
void DrawEmptyScreen(HDC dc);
// Draws again everything the screen shows, as it stood (the main window's
// paint): what the About box or any other window covered comes back.
void RepaintScreen(HDC dc);
// The fields, the sky plot and the bars skip what they show already. After
// anything else has drawn over them, this makes the next value of each draw.
void ForgetDrawnScreen();
// The no-fix count in the plot's top-left corner.
void DrawNoFixCounter(HDC dc);

void DrawChecksumMarkReset(HDC dc);
void DrawChecksumFailureMark(HDC dc);
// The status line shows one text at a time: each clears the line and draws
// there, the echo of a sentence (length characters, on the blank line) or a
// zero-terminated text.
void DrawSentenceEcho(HDC dc, const WCHAR* echo, int32_t length);
void DrawStatusText(HDC dc, const WCHAR* text);
// The status line as the last of these two drew it.
void RepaintStatusLine(HDC dc);
void ForgetStatusLine();

// Back to the state a fresh process has: nothing shown, nothing to repaint.
void ResetScreenState();

void RefreshGga(HDC dc);
void RefreshGsa(HDC dc);
void RefreshRmc(HDC dc);
// The sky plot, then the signal bars.
void RefreshGsv(HDC dc);

// Degrees and minutes of an NMEA ddmm.mmmm value.
void SplitDegreesMinutes(float value, int32_t* degrees, float* minutes);
