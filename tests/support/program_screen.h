// Tests and benchmarks of the program draw on its device screen, given as the
// test program starts (each file that includes this gives it again).
#pragma once

#include "host/host.h"
#include "screen/device_screen.h"

namespace test_support {

[[maybe_unused]] static const bool kProgramScreenGiven =
    host::SetScreenSize(kScreenWidth, kScreenHeight);

}  // namespace test_support
