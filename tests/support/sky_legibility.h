// Whether a sky plot can be read, judged from its pixels: each satellite's
// marker is looked for as the screen's routines draw it alone. Every used
// satellite's marker and label must stand whole (no other marker or label
// covers any of their pixels), at its place or, as a tag, near it; every
// satellite in view must leave a mark of its system's shape near its place
// (at least half of its full marker's outline, or a whole mark of its own).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "nmea/sky_view.h"
#include "screen/drawing_resources.h"
#include "screen/satellite_look.h"
#include "screen/sky_layout.h"
#include "screen/sky_plot.h"
#include "win/windows.h"

namespace test_support {

// A satellite and its place on the plot.
struct PlotSatellite {
    SkySatellite s;
    int cx, cy;
    // Whether it is used is not known for sure (gpsd's reports of the moment
    // disagree): drawn either way is right.
    bool eitherUse = false;
};

// The plot's pixel at x, y (0 to 99 each).
using PlotPixels = std::function<std::uint32_t(int x, int y)>;

struct Legibility {
    int used = 0;
    int tags = 0;
    int marks = 0;
    double farthestTag = 0;  // pixels from a tag's centre to its place
    std::vector<std::string> faults;
    std::string Summary() const {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%d used (%d as tags, the farthest %.1f px from its place), %d in view as "
                      "marks",
                      used, tags, farthestTag, marks);
        return text;
    }
};

class SkyLegibilityCheck {
  public:
    // Tags and marks must stand this near their places.
    static constexpr double kTagReach = 40.0;
    static constexpr int kMarkReach = 30;

    explicit SkyLegibilityCheck(PlotPixels plot) : plot_(std::move(plot)) {
        static HDC scratch = [] {
            HDC dc = CreateCompatibleDC(nullptr);
            SelectObject(dc, CreateCompatibleBitmap(dc, 200, 200));
            CreateDrawingResourcesForDc(dc);
            return dc;
        }();
        static HBRUSH backdrop = CreateSolidBrush(kBackdrop);
        scratch_ = scratch;
        backdrop_ = backdrop;
    }

    Legibility Check(const std::vector<PlotSatellite>& sky) {
        Legibility result;
        std::vector<PlotSatellite> needMark;
        for (const PlotSatellite& given : sky) {
            PlotSatellite sat = given;
            if (sat.eitherUse) {
                // Whole as a used one, or else judged as one only in view.
                sat.s.used = true;
                int x = 0, y = 0;
                if (Whole(FullMarker(sat.s), sat.cx, sat.cy) ||
                    FindWhole(Tag(sat.s), sat.cx, sat.cy, static_cast<int>(kTagReach), &x, &y)) {
                    ++result.used;
                    continue;
                }
                sat.s.used = false;
            }
            const SkySatellite& s = sat.s;
            const std::string name = Name(s);
            if (s.used) {
                ++result.used;
                if (Whole(FullMarker(s), sat.cx, sat.cy)) continue;
                int x = 0, y = 0;
                if (!FindWhole(Tag(s), sat.cx, sat.cy, 2 * kPlotSize, &x, &y)) {
                    result.faults.push_back(name + ": neither its marker nor its tag stands whole");
                    continue;
                }
                ++result.tags;
                const double away = std::hypot(x - sat.cx, y - sat.cy);
                if (away > kTagReach) result.faults.push_back(name + ": its tag stands far away");
                result.farthestTag = std::max(result.farthestTag, away);
                continue;
            }
            const Pattern full = FullMarker(s);
            Pattern outline;
            for (std::size_t k = 0; k < full.colour.size(); ++k) {
                if (full.colour[k] != kBlack) continue;
                outline.dx.push_back(full.dx[k]);
                outline.dy.push_back(full.dy[k]);
                outline.colour.push_back(kBlack);
            }
            int same = 0, seen = 0;
            Match(outline, sat.cx, sat.cy, &same, &seen);
            if (seen == 0 || 2 * same < seen) needMark.push_back(sat);
        }
        result.marks = static_cast<int>(needMark.size());
        MatchMarks(needMark, &result);
        return result;
    }

    // Drawn alone: the pixels a marker paints, from the point it is found by.
    struct Pattern {
        std::vector<int> dx, dy;
        std::vector<std::uint32_t> colour;
    };
    Pattern FullMarker(const SkySatellite& s) {
        return Capture(50, 50, [&s](HDC dc) { DrawSatelliteMarker(dc, s, 50, 50); });
    }
    // Found by its box's centre, as a satellite's place is its full marker's.
    Pattern Tag(const SkySatellite& s) {
        int32_t width = 0, height = 0;
        TagSize(s, SatelliteLabelWidth(scratch_, s), &width, &height);
        return Capture(50 + width / 2, 50 + height / 2, [&](HDC dc) {
            DrawSatelliteTag(dc, s, RECT{50, 50, 50 + width, 50 + height});
        });
    }
    Pattern Mark(const SkySatellite& s) {
        return Capture(50 + kMarkSize / 2, 50 + kMarkSize / 2, [&s](HDC dc) {
            DrawSatelliteMark(dc, s, RECT{50, 50, 50 + kMarkSize, 50 + kMarkSize});
        });
    }

    // Whether every pixel of the pattern at x, y shows on the plot (those off
    // it or under its corner texts left aside).
    bool Whole(const Pattern& p, int x, int y) const {
        int seen = 0;
        for (std::size_t k = 0; k < p.colour.size(); ++k) {
            const int px = x + p.dx[k], py = y + p.dy[k];
            if (Outside(px, py)) continue;
            if (plot_(px, py) != p.colour[k]) return false;
            ++seen;
        }
        return seen > 0;
    }

    // The point nearest cx, cy within reach where the pattern stands whole.
    bool FindWhole(const Pattern& p, int cx, int cy, int reach, int* x, int* y) const {
        double best = 1e9;
        for (int ty = std::max(cy - reach, 0); ty <= std::min(cy + reach, kPlotSize - 1); ++ty) {
            for (int tx = std::max(cx - reach, 0); tx <= std::min(cx + reach, kPlotSize - 1);
                 ++tx) {
                const double d = std::hypot(tx - cx, ty - cy);
                if (d > reach || d >= best || !Whole(p, tx, ty)) continue;
                best = d;
                *x = tx;
                *y = ty;
            }
        }
        return best < 1e9;
    }

  private:
    // A colour the screen never draws, not even by blending text.
    static constexpr COLORREF kBackdrop = 0x3C5A78;

    static std::string Name(const SkySatellite& s) {
        return std::string(1, static_cast<char>(SystemLetter(s.system))) +
               std::to_string(s.number) + (s.used ? " (used)" : "");
    }

    // The plot's texts drawn over its top corners after the markers: the
    // no-fix count and the fix type. They are no marker or label.
    static bool Outside(int x, int y) {
        return x < 0 || x >= kPlotSize || y < 0 || y >= kPlotSize ||
               (y < 15 && (x < 30 || x >= 70));
    }

    template <class Draw>
    Pattern Capture(int ox, int oy, Draw draw) {
        RECT whole{0, 0, 200, 200};
        FillRect(scratch_, &whole, backdrop_);
        SetBkMode(scratch_, TRANSPARENT);
        SelectObject(scratch_, BlackPen);
        draw(scratch_);
        const host::PixelView v = host::DcPixels(scratch_);
        Pattern p;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (v.At(x, y) == kBackdrop) continue;
                p.dx.push_back(x - ox);
                p.dy.push_back(y - oy);
                p.colour.push_back(v.At(x, y));
            }
        }
        return p;
    }

    void Match(const Pattern& p, int x, int y, int* same, int* seen) const {
        *same = *seen = 0;
        for (std::size_t k = 0; k < p.colour.size(); ++k) {
            const int px = x + p.dx[k], py = y + p.dy[k];
            if (Outside(px, py)) continue;
            ++*seen;
            *same += plot_(px, py) == p.colour[k] ? 1 : 0;
        }
    }

    // Marks look alike within a shape: each satellite that needs one is
    // given a whole mark of its shape near its place, no mark to two of
    // them (a matching by augmenting paths).
    void MatchMarks(const std::vector<PlotSatellite>& needMark, Legibility* result) {
        std::vector<std::pair<int, int>> marks;
        std::vector<bool> circle;
        for (const bool gps : {true, false}) {
            const SkySatellite shape{
                gps ? GnssSystem::kGps : GnssSystem::kGalileo, 1, 0, 0, true, false, 0.0f};
            const Pattern mark = Mark(shape);
            for (int y = 0; y < kPlotSize; ++y) {
                for (int x = 0; x < kPlotSize; ++x) {
                    if (!Whole(mark, x, y)) continue;
                    marks.emplace_back(x, y);
                    circle.push_back(gps);
                }
            }
        }
        near_.assign(needMark.size(), {});
        for (std::size_t w = 0; w < needMark.size(); ++w) {
            const PlotSatellite& sat = needMark[w];
            for (std::size_t m = 0; m < marks.size(); ++m) {
                if (circle[m] != (sat.s.system == GnssSystem::kGps)) continue;
                if (std::hypot(marks[m].first - sat.cx, marks[m].second - sat.cy) > kMarkReach) {
                    continue;
                }
                near_[w].push_back(static_cast<int>(m));
            }
        }
        owner_.assign(marks.size(), -1);
        for (std::size_t w = 0; w < needMark.size(); ++w) {
            seen_.assign(marks.size(), false);
            if (!Augment(static_cast<int>(w))) {
                result->faults.push_back(Name(needMark[w].s) +
                                         ": no mark of its shape near its place");
            }
        }
    }

    bool Augment(int who) {
        for (const int mark : near_[static_cast<std::size_t>(who)]) {
            if (seen_[static_cast<std::size_t>(mark)]) continue;
            seen_[static_cast<std::size_t>(mark)] = true;
            int& holder = owner_[static_cast<std::size_t>(mark)];
            if (holder < 0 || Augment(holder)) {
                holder = who;
                return true;
            }
        }
        return false;
    }

    PlotPixels plot_;
    HDC scratch_ = nullptr;
    HBRUSH backdrop_ = nullptr;
    std::vector<std::vector<int>> near_;
    std::vector<int> owner_;
    std::vector<bool> seen_;
};

// The located satellites of a view, each with its place.
inline std::vector<PlotSatellite> PlacedSatellites(const SkyView& view) {
    std::vector<PlotSatellite> sky;
    for (int32_t i = 0; i < view.count; ++i) {
        const SkySatellite& s = view.satellites[i];
        if (!s.located) continue;
        int32_t cx = 0, cy = 0;
        SkyMarkerCentre(s.azimuth, s.elevation, &cx, &cy);
        sky.push_back({s, cx, cy});
    }
    return sky;
}

}  // namespace test_support
