// The device screen the platform's tests draw on, given as the test program
// starts (each file that includes this gives it again, to the same size).
#pragma once

#include "host/host.h"

namespace test_screen {

inline constexpr int kWidth = 320;
inline constexpr int kHeight = 294;

[[maybe_unused]] static const bool kGiven = host::SetScreenSize(kWidth, kHeight);

}  // namespace test_screen
