// Where each satellite of the sky plot is drawn, and in which form, so that
// a crowded sky can still be read: no marker or label covers any pixel of a
// used satellite's, and every satellite in view leaves a mark of its
// system's shape. A sky whose markers do not crowd is drawn as it always was.
#pragma once

#include <cstdint>

#include "nmea/sky_view.h"
#include "screen/plot_room.h"
#include "win/windows.h"

enum class MarkerForm : uint8_t {
    kFull,  // the numbered circle or lettered square at the satellite's place
    kTag,   // a used satellite that must give way: its label on a small blue shape
    kMark,  // one in view that must give way: an unlabelled mark of its shape
};

struct PlacedMarker {
    int32_t satellite;  // index into the view
    MarkerForm form;
    int32_t cx;  // the satellite's place for a full marker, else its box's centre
    int32_t cy;
    RECT box;  // every pixel the marker may draw lies inside
};

struct SkyLayout {
    int32_t count;
    PlacedMarker markers[kMaxSkySatellites];  // in drawing order
};

// A mark is 5 x 5, a tag 9 pixels tall (one more for a label with a
// descender), as wide as its label plus a pixel each side (an ellipse for
// GPS needs three).
inline constexpr int32_t kMarkSize = 5;
inline constexpr int32_t kTagHeight = 9;

// The tag's size for a label of this width.
void TagSize(const SkySatellite& satellite, int32_t labelWidth, int32_t* width, int32_t* height);

// Lays out every located satellite of the view. Used satellites take
// precedence, then stronger signals; a satellite's signal is ranked as it
// was until it has moved by a few decibels, so that small changes do not
// move the tags about. labelWidths[i] is the width
// of satellite i's tag label. Full markers come first, in the order the plot
// has always drawn them (the other systems, then GPS, each by number), then
// the marks and tags.
void LayOutSky(const SkyView& sky, const int32_t* labelWidths, SkyLayout* layout);

// A new sky starts: no signal is held from before.
void ForgetSkyLayout();
