// Level 1 of the window manager: rectangle lists used as regions, for the
// visible parts of windows, update regions and uncovered areas. A region is a
// list of disjoint rectangles; right and bottom are exclusive.
#pragma once

#include <vector>

#include "win/types.h"

namespace wm {

using Region = std::vector<RECT>;

bool IsEmptyRect(const RECT& r);
RECT IntersectRects(const RECT& a, const RECT& b);
RECT UnionRects(const RECT& a, const RECT& b);
bool RectContains(const RECT& r, int x, int y);

// Removes cut from every rectangle of the region.
void SubtractRect(Region& region, const RECT& cut);
// Adds r, keeping the rectangles disjoint.
void AddRect(Region& region, const RECT& r);
Region IntersectRegion(const Region& region, const RECT& r);
Region IntersectRegions(const Region& a, const Region& b);
RECT RegionBounds(const Region& region);
void OffsetRegion(Region& region, int dx, int dy);

}  // namespace wm
