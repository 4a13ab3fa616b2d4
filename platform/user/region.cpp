#include "region.h"

#include <algorithm>

namespace wm {

namespace {

// Update regions stay small; past this many pieces the bounding box is
// precise enough and keeps every operation cheap.
constexpr std::size_t kMaxPieces = 64;

}  // namespace

bool IsEmptyRect(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsEmptyRect(r)) return RECT{0, 0, 0, 0};
    return r;
}

RECT UnionRects(const RECT& a, const RECT& b) {
    if (IsEmptyRect(a)) return b;
    if (IsEmptyRect(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool RectContains(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void SubtractRect(Region& region, const RECT& cut) {
    if (IsEmptyRect(cut)) return;
    Region out;
    out.reserve(region.size() + 4);
    for (const RECT& r : region) {
        RECT i = IntersectRects(r, cut);
        if (IsEmptyRect(i)) {
            out.push_back(r);
            continue;
        }
        // Up to four pieces: the bands above and below, then left and right.
        if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    }
    region.swap(out);
}

void AddRect(Region& region, const RECT& r) {
    if (IsEmptyRect(r)) return;
    Region piece{r};
    for (const RECT& existing : region) {
        SubtractRect(piece, existing);
        if (piece.empty()) return;
    }
    region.insert(region.end(), piece.begin(), piece.end());
    if (region.size() > kMaxPieces) {
        RECT bounds = RegionBounds(region);
        region.assign(1, bounds);
    }
}

Region IntersectRegion(const Region& region, const RECT& r) {
    Region out;
    for (const RECT& piece : region) {
        RECT i = IntersectRects(piece, r);
        if (!IsEmptyRect(i)) out.push_back(i);
    }
    return out;
}

Region IntersectRegions(const Region& a, const Region& b) {
    Region out;
    for (const RECT& r : b) {
        Region part = IntersectRegion(a, r);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

RECT RegionBounds(const Region& region) {
    RECT bounds{0, 0, 0, 0};
    for (const RECT& r : region)
        bounds = UnionRects(bounds, r);
    return bounds;
}

void OffsetRegion(Region& region, int dx, int dy) {
    for (RECT& r : region) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
}

}  // namespace wm
