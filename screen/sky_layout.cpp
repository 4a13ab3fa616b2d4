#include "screen/sky_layout.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "screen/plot_room.h"
#include "screen/satellite_look.h"
#include "screen/sky_plot.h"

namespace {

// A full marker: the circle of GPS (20 pixels across) or a square.
struct Full {
    int32_t satellite;
    bool circle;
    bool used;
    int32_t cx, cy;
    RECT box;
};

// The texts the plot draws over its corners after the markers: the no-fix
// count and the fix type. Tags and marks keep out of them.
constexpr RECT kCountCorner{0, 0, 30, 15};
constexpr RECT kFixTypeCorner{70, 0, kPlotSize, 15};

// Of an unused marker that others overlap, at least this share of its
// outline must show, or it gives way.
constexpr int kOutlineSamples = 24;
constexpr int kVisibleSamples = kOutlineSamples / 2;

// Per satellite of the view: where its full marker would stand and its rank
// in the order the plot has always drawn (other systems, then GPS).
Full fullOf[kMaxSkySatellites];
int32_t drawRank[kMaxSkySatellites];
// The located satellites by precedence.
int32_t byPrecedence[kMaxSkySatellites];

// The full markers kept so far, and the boxes of the tags and marks.
Full fulls[kMaxSkySatellites];
int32_t fullCount;
RECT smalls[kMaxSkySatellites];
int32_t smallCount;

// What tags and marks must keep clear of.
PlotRoom room;

bool Intersect(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT Grown(const RECT& r, int32_t by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

// A rasterised circle of the box [cx - 10, cx + 10) lies within 10 pixels of
// (cx - 0.5, cy - 0.5); half a pixel more keeps the tests on the safe side.
constexpr double kCircleReach = 10.5;

double DistanceToBox(double x, double y, const RECT& box) {
    const double dx =
        std::max({static_cast<double>(box.left) - x, 0.0, x - static_cast<double>(box.right - 1)});
    const double dy =
        std::max({static_cast<double>(box.top) - y, 0.0, y - static_cast<double>(box.bottom - 1)});
    return std::sqrt(dx * dx + dy * dy);
}

bool Touch(const Full& a, const RECT& box) {
    if (!Intersect(a.box, box)) return false;
    if (!a.circle) return true;
    return DistanceToBox(a.cx - 0.5, a.cy - 0.5, box) < kCircleReach;
}

bool Touch(const Full& a, const Full& b) {
    if (!Intersect(a.box, b.box)) return false;
    if (a.circle && b.circle) {
        const double dx = a.cx - b.cx;
        const double dy = a.cy - b.cy;
        return std::sqrt(dx * dx + dy * dy) < 2 * kCircleReach - 1.0;
    }
    if (a.circle) return Touch(a, b.box);
    if (b.circle) return Touch(b, a.box);
    return true;
}

// Whether the point lies inside the full marker's shape.
bool Covers(const Full& f, double x, double y) {
    if (f.circle) {
        const double dx = x - (f.cx - 0.5);
        const double dy = y - (f.cy - 0.5);
        return dx * dx + dy * dy < 10.0 * 10.0;
    }
    return x >= f.box.left && x < f.box.right && y >= f.box.top && y < f.box.bottom;
}

// A point of the marker's outline, k of kOutlineSamples around it.
void OutlinePoint(const Full& f, int k, double* x, double* y) {
    if (f.circle) {
        const double angle = 2.0 * 3.141592653589793 * k / kOutlineSamples;
        *x = f.cx - 0.5 + 9.5 * std::cos(angle);
        *y = f.cy - 0.5 + 9.5 * std::sin(angle);
        return;
    }
    const double left = f.box.left + 0.5, top = f.box.top + 0.5;
    const double width = f.box.right - f.box.left - 1.0, height = f.box.bottom - f.box.top - 1.0;
    double along = (2.0 * (width + height)) * k / kOutlineSamples;
    if (along < width) {
        *x = left + along;
        *y = top;
    } else if ((along -= width) < height) {
        *x = left + width;
        *y = top + along;
    } else if ((along -= height) < width) {
        *x = left + width - along;
        *y = top + height;
    } else {
        *x = left;
        *y = top + height - (along - width);
    }
}

// How much of the unused marker's outline the unused markers drawn after it
// leave showing, with the candidate among them.
int VisibleSamples(const Full& f, const Full& candidate) {
    int visible = 0;
    for (int k = 0; k < kOutlineSamples; ++k) {
        double x = 0, y = 0;
        OutlinePoint(f, k, &x, &y);
        bool covered = false;
        for (int32_t i = 0; i <= fullCount && !covered; ++i) {
            const Full& later = i < fullCount ? fulls[i] : candidate;
            if (later.used || later.satellite == f.satellite) continue;
            if (drawRank[later.satellite] < drawRank[f.satellite]) continue;
            covered = Covers(later, x, y);
        }
        if (!covered) ++visible;
    }
    return visible;
}

// Unused markers may overlap as they always did, as long as each still
// shows at least half its outline.
bool StaysVisible(const Full& candidate) {
    if (VisibleSamples(candidate, candidate) < kVisibleSamples) return false;
    for (int32_t i = 0; i < fullCount; ++i) {
        const Full& other = fulls[i];
        if (other.used || !Intersect(other.box, candidate.box)) continue;
        if (VisibleSamples(other, candidate) < kVisibleSamples) return false;
    }
    return true;
}

bool TouchesKeptFull(const Full& candidate, bool usedOnly) {
    for (int32_t i = 0; i < fullCount; ++i) {
        if (usedOnly && !fulls[i].used) continue;
        if (Touch(candidate, fulls[i])) return true;
    }
    return false;
}

bool TouchesSmall(const Full& candidate) {
    for (int32_t i = 0; i < smallCount; ++i) {
        // Tags and marks keep a pixel of white around them.
        if (Touch(candidate, Grown(smalls[i], 1))) return true;
    }
    return false;
}

void KeepFull(const Full& f) {
    fulls[fullCount++] = f;
    Occupy(room, Grown(f.box, 1));
}

// A pixel of white keeps it apart from what stands beside it; a tag may sit
// right on another, its text a line apart.
RECT KeepSmall(int32_t cx, int32_t cy, int32_t width, int32_t height, bool tag) {
    const RECT box = NearestRoom(room, cx, cy, width, height);
    smalls[smallCount++] = box;
    Occupy(room, tag ? RECT{box.left - 1, box.top, box.right + 1, box.bottom} : Grown(box, 1));
    return box;
}

// The signal each satellite was ranked by, held while it stays within a few
// decibels: a signal a decibel up or down does not shuffle the tags and marks
// every second, and a satellite whose signal really rises or falls moves.
constexpr float kSignalHold = 5.0f;
float heldSignal[kGnssSystemCount][kMaxSatelliteNumber + 1];
bool signalHeld[kGnssSystemCount][kMaxSatelliteNumber + 1];
// This layout's satellites' signals as they are ranked.
float rankedSignal[kMaxSkySatellites];

void RankSignals(const SkyView& sky) {
    for (int32_t i = 0; i < sky.count; ++i) {
        const SkySatellite& s = sky.satellites[i];
        // A value that is no number counts as no signal.
        const float snr = std::isnan(s.snr) ? 0.0f : s.snr;
        if (s.number > kMaxSatelliteNumber) {
            rankedSignal[i] = snr;
            continue;
        }
        float& held = heldSignal[static_cast<int>(s.system)][s.number];
        bool& known = signalHeld[static_cast<int>(s.system)][s.number];
        if (!known || std::fabs(snr - held) >= kSignalHold) held = snr;
        known = true;
        rankedSignal[i] = held;
    }
}

bool Before(const SkyView& sky, int32_t a, int32_t b) {
    const SkySatellite& sa = sky.satellites[a];
    const SkySatellite& sb = sky.satellites[b];
    if (sa.used != sb.used) return sa.used;
    if (rankedSignal[a] != rankedSignal[b]) return rankedSignal[a] > rankedSignal[b];
    return a < b;
}

MarkerForm form[kMaxSkySatellites];
RECT smallBox[kMaxSkySatellites];
bool crowded[kMaxSkySatellites];

// Places every located satellite in the order given: used satellites first,
// the full marker where it does not crowd and touches nothing kept so far,
// else a tag in the nearest free room; then those only in view, the full
// marker where it touches nothing used and no tag or mark, and it and the
// unused markers it overlaps each stay half visible, else a mark in the
// nearest free room. Returns the tag that landed farthest from its place
// (-1 for none) and, through farthest, the square of that distance.
int32_t Place(const SkyView& sky, const int32_t* labelWidths, const int32_t* order, int32_t located,
              int32_t* farthest) {
    fullCount = 0;
    smallCount = 0;
    room = PlotRoom{};
    Occupy(room, kCountCorner);
    Occupy(room, kFixTypeCorner);
    int32_t worst = -1;
    *farthest = 0;
    for (int32_t k = 0; k < located; ++k) {
        const int32_t i = order[k];
        const Full& f = fullOf[i];
        if (f.used) {
            if (!crowded[i] && !TouchesKeptFull(f, false) && !TouchesSmall(f)) {
                form[i] = MarkerForm::kFull;
                KeepFull(f);
                continue;
            }
            int32_t width = 0, height = 0;
            TagSize(sky.satellites[i], labelWidths[i], &width, &height);
            form[i] = MarkerForm::kTag;
            const RECT& b = smallBox[i] = KeepSmall(f.cx, f.cy, width, height, true);
            const int32_t dx = (b.left + b.right) / 2 - f.cx;
            const int32_t dy = (b.top + b.bottom) / 2 - f.cy;
            if (dx * dx + dy * dy > *farthest) {
                *farthest = dx * dx + dy * dy;
                worst = i;
            }
            continue;
        }
        if (!TouchesKeptFull(f, true) && !TouchesSmall(f) && StaysVisible(f)) {
            form[i] = MarkerForm::kFull;
            KeepFull(f);
            continue;
        }
        form[i] = MarkerForm::kMark;
        smallBox[i] = KeepSmall(f.cx, f.cy, kMarkSize, kMarkSize, false);
    }
    return worst;
}

// A tag this far from its place is tried again ahead of the others.
constexpr int32_t kFarTag = 24;
constexpr int kTagRetries = 6;
int32_t trial[kMaxSkySatellites];

}  // namespace

void TagSize(const SkySatellite& s, int32_t labelWidth, int32_t* width, int32_t* height) {
    // An ellipse holds its label clear of its ends only with more room.
    *width = labelWidth + (s.system == GnssSystem::kGps ? 6 : 2);
    // QZSS's letter J reaches below the line.
    *height = kTagHeight + (s.system == GnssSystem::kQzss ? 1 : 0);
}

void LayOutSky(const SkyView& sky, const int32_t* labelWidths, SkyLayout* layout) {
    layout->count = 0;

    // The order the plot has always drawn in gives each marker its rank.
    int32_t located = 0;
    int32_t rank = 0;
    for (const bool gps : {false, true}) {
        for (int32_t i = 0; i < sky.count; ++i) {
            const SkySatellite& s = sky.satellites[i];
            if ((s.system == GnssSystem::kGps) != gps || !s.located) continue;
            drawRank[i] = rank++;
            byPrecedence[located++] = i;
            int32_t cx = 0, cy = 0;
            SkyMarkerCentre(s.azimuth, s.elevation, &cx, &cy);
            const int32_t half = MarkerHalfWidth(s);
            fullOf[i] = Full{i, gps, s.used, cx, cy, RECT{cx - half, cy - 10, cx + half, cy + 10}};
        }
    }
    RankSignals(sky);
    std::sort(byPrecedence, byPrecedence + located,
              [&sky](int32_t a, int32_t b) { return Before(sky, a, b); });

    // Used satellites whose full markers would touch stand as tags, all of
    // them: a tag takes a third of the room, so a crowd of them stays
    // nearer its places.
    for (int32_t a = 0; a < located; ++a) {
        const int32_t i = byPrecedence[a];
        crowded[i] = false;
        if (!fullOf[i].used) continue;
        for (int32_t b = 0; b < located && !crowded[i]; ++b) {
            const int32_t j = byPrecedence[b];
            crowded[i] = j != i && fullOf[j].used && Touch(fullOf[i], fullOf[j]);
        }
    }

    // Tags never cover one another, whatever their order; the order decides
    // only which stands nearer its place. A tag pushed far away goes first
    // in another try, and the arrangement whose farthest tag is nearest stays.
    int32_t farthest = 0;
    int32_t worst = Place(sky, labelWidths, byPrecedence, located, &farthest);
    std::copy(byPrecedence, byPrecedence + located, trial);
    bool bestIsLast = true;
    for (int t = 0; t < kTagRetries && worst >= 0 && farthest > kFarTag * kFarTag; ++t) {
        int32_t* at = std::find(trial, trial + located, worst);
        std::rotate(trial, at, at + 1);
        int32_t next = 0;
        worst = Place(sky, labelWidths, trial, located, &next);
        bestIsLast = next < farthest;
        if (!bestIsLast) continue;
        std::copy(trial, trial + located, byPrecedence);
        farthest = next;
    }
    if (!bestIsLast) Place(sky, labelWidths, byPrecedence, located, &farthest);

    // Full markers in the plot's old order, so that where unused ones overlap
    // they cover each other as they always did; then marks, then tags, the
    // lowest precedence first.
    static int32_t byRank[kMaxSkySatellites];
    for (int32_t k = 0; k < located; ++k)
        byRank[drawRank[byPrecedence[k]]] = byPrecedence[k];
    for (int32_t r = 0; r < located; ++r) {
        const int32_t i = byRank[r];
        if (form[i] != MarkerForm::kFull) continue;
        const Full& f = fullOf[i];
        layout->markers[layout->count++] = PlacedMarker{i, MarkerForm::kFull, f.cx, f.cy, f.box};
    }
    for (const MarkerForm wanted : {MarkerForm::kMark, MarkerForm::kTag}) {
        for (int32_t k = located - 1; k >= 0; --k) {
            const int32_t i = byPrecedence[k];
            if (form[i] != wanted) continue;
            const RECT& b = smallBox[i];
            layout->markers[layout->count++] =
                PlacedMarker{i, wanted, (b.left + b.right) / 2, (b.top + b.bottom) / 2, b};
        }
    }
}

void ForgetSkyLayout() {
    for (auto& system : signalHeld)
        std::fill(std::begin(system), std::end(system), false);
}
