// Boxes and the screen's damage: what changed, kept as a few boxes.
#include <algorithm>

#include "platform/gdi/raster.h"

namespace gdi::raster {

namespace {

std::int64_t Area(const Box& b) {
    return b.Empty() ? 0 : (b.right - b.left) * (b.bottom - b.top);
}

}  // namespace

std::int64_t JoinWaste(const Box& a, const Box& b) {
    return Area(Union(a, b)) - Area(a) - Area(b) + Area(Intersect(a, b));
}

void Damage::Add(int left, int top, int right, int bottom) {
    Box added{left, top, right, bottom};
    if (added.Empty()) return;
    // Boxes that join without waste (one holds the other, or they continue
    // each other) are joined at once; joining may make more of them fit.
    for (int i = 0; i < count;) {
        if (JoinWaste(boxes[i], added) <= 0) {
            added = Union(boxes[i], added);
            boxes[i] = boxes[--count];
            i = 0;
        } else {
            ++i;
        }
    }
    boxes[count++] = added;
    Reduce(kMaxBoxes);
}

void Damage::Reduce(int max_boxes) {
    max_boxes = std::max(max_boxes, 1);
    while (count > max_boxes) {
        int best_a = 0;
        int best_b = 1;
        std::int64_t best = JoinWaste(boxes[0], boxes[1]);
        for (int a = 0; a < count; ++a) {
            for (int b = a + 1; b < count; ++b) {
                const std::int64_t waste = JoinWaste(boxes[a], boxes[b]);
                if (waste < best) {
                    best = waste;
                    best_a = a;
                    best_b = b;
                }
            }
        }
        const Box joined = Union(boxes[best_a], boxes[best_b]);
        boxes[best_b] = boxes[--count];
        boxes[best_a] = joined;
        // The joined box may now hold others whole.
        for (int i = 0; i < count;) {
            if (i != best_a && JoinWaste(boxes[best_a], boxes[i]) <= 0 &&
                Area(Union(boxes[best_a], boxes[i])) == Area(boxes[best_a])) {
                boxes[i] = boxes[--count];
                if (best_a == count) best_a = i;
            } else {
                ++i;
            }
        }
    }
}

Box Damage::Bounds() const {
    Box all{0, 0, 0, 0};
    for (int i = 0; i < count; ++i)
        all = Union(all, boxes[i]);
    return all;
}

}  // namespace gdi::raster
