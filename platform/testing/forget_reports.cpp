// Diagnostics said again, so that each test hears its own.
#include "platform/kernel/diagnostics.h"
#include "testing/host_testing.h"

namespace host {

void ForgetReports() {
    kernel::ReportMemory& memory = kernel::Reports();
    std::lock_guard<std::mutex> lock(memory.mutex);
    memory.count = 0;
    memory.overflow_said = false;
}

}  // namespace host
