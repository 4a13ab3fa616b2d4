// Where the fix panel's texts stand on the window, as the tests expect them.
#pragma once

#include <cstdint>

#include "win/types.h"

namespace test_support {

inline constexpr RECT kFixLine{104, 100, 320, 115};
inline constexpr RECT kErrorLine{104, 115, 320, 130};
inline constexpr RECT kFirstFix{104, 130, 212, 145};
inline constexpr RECT kTotal{212, 130, 320, 145};
// The system cells, three to a row.
inline RECT SystemCell(int n) {
    const int32_t left = 104 + (n % 3) * 72;
    const int32_t top = 145 + (n / 3) * 15;
    return {left, top, left + 72, top + 15};
}

}  // namespace test_support
