// The calling thread's last error, and what a host errno value stands for there.
#pragma once

#include "win/types.h"

namespace kernel {

// The platform's error code for a host errno value.
DWORD ErrorFromErrno(int error);

}  // namespace kernel
