// Tests and benchmarks of the program run it on the platform as its main
// does: on its device screen, with its name on the diagnostics lines. Both are
// given as the test program starts (each file that includes this gives them
// again).
#pragma once

#include "app/program_name.h"
#include "host/host.h"
#include "screen/device_screen.h"

namespace test_support {

[[maybe_unused]] static const bool kProgramHostGiven =
    host::SetScreenSize(kScreenWidth, kScreenHeight) && (host::SetProgramName(kProgramName), true);

}  // namespace test_support
