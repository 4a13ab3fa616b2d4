// Rectangle comparison for window and drawing tests.
#pragma once

#include "win/types.h"

namespace test_support {

inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace test_support
