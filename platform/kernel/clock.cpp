// The millisecond clock behind GetTickCount and Sleep, real or virtual.
#include <errno.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "host/host.h"
#include "platform/kernel/pause.h"
#include "win/kernel.h"

namespace {

std::atomic<bool> virtual_active{false};
std::atomic<std::uint64_t> virtual_now{0};

std::mutex observer_mutex;
host::ClockObserver observer_fn = nullptr;
void* observer_context = nullptr;

std::mutex pause_mutex;
kernel::PauseHandler pause_handler = nullptr;
std::thread::id pause_thread;

std::uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

void RealSleep(DWORD milliseconds) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    // An absolute deadline lets a signal interrupt the wait without
    // stretching it on restart.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

}  // namespace

namespace host {

std::uint64_t NowMs() {
    if (virtual_active.load(std::memory_order_acquire)) {
        return virtual_now.load(std::memory_order_acquire);
    }
    return MonotonicMs();
}

void UseVirtualClock(std::uint64_t start_ms) {
    virtual_now.store(start_ms, std::memory_order_release);
    virtual_active.store(true, std::memory_order_release);
}

// Going back to real time also drops the observer, so a test that forgets to
// remove its observer cannot leave a dangling context behind.
void UseRealClock() {
    virtual_active.store(false, std::memory_order_release);
    std::lock_guard<std::mutex> lock(observer_mutex);
    observer_fn = nullptr;
    observer_context = nullptr;
}

bool VirtualClockActive() {
    return virtual_active.load(std::memory_order_acquire);
}

// Without the virtual clock there is nothing to advance: real time moves by itself.
void AdvanceVirtualClock(std::uint64_t ms) {
    if (!virtual_active.load(std::memory_order_acquire)) return;
    std::uint64_t now = virtual_now.fetch_add(ms, std::memory_order_acq_rel) + ms;
    ClockObserver fn;
    void* context;
    {
        std::lock_guard<std::mutex> lock(observer_mutex);
        fn = observer_fn;
        context = observer_context;
    }
    // Called without the lock so the observer may itself use the clock.
    if (fn != nullptr) fn(now, context);
}

void SetVirtualClockObserver(ClockObserver observer, void* context) {
    std::lock_guard<std::mutex> lock(observer_mutex);
    observer_fn = observer;
    observer_context = context;
}

}  // namespace host

namespace kernel {

void SetPauseHandler(PauseHandler handler) {
    std::lock_guard<std::mutex> lock(pause_mutex);
    pause_handler = handler;
    pause_thread = std::this_thread::get_id();
}

}  // namespace kernel

DWORD GetTickCount() {
    return static_cast<DWORD>(host::NowMs());
}

void Sleep(DWORD milliseconds) {
    kernel::PauseHandler handler;
    {
        std::lock_guard<std::mutex> lock(pause_mutex);
        handler = pause_thread == std::this_thread::get_id() ? pause_handler : nullptr;
    }
    if (handler != nullptr) {
        handler(host::NowMs() + milliseconds);
    } else if (host::VirtualClockActive()) {
        host::AdvanceVirtualClock(milliseconds);
    } else {
        RealSleep(milliseconds);
    }
}
