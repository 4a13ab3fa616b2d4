// Window timers: each comes due every period and arrives as one WM_TIMER
// message, however late it is taken.
#include "timers.h"

#include <algorithm>
#include <vector>

#include "host/host.h"
#include "message_queue.h"
#include "window_tree.h"

namespace wm {
namespace {

// The platform's smallest timer period; shorter ones would keep the loop busy.
constexpr UINT kMinTimerPeriod = 10;
constexpr UINT kMaxTimerPeriod = 0x7FFFFFFF;

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    std::uint64_t due;
    std::uint64_t order;  // ties between timers due at once go by this
};

struct Timers {
    std::vector<Timer> all;
    std::uint64_t next_order = 0;
};

Timers& T() {
    static Timers timers;
    return timers;
}

}  // namespace

bool TakeDueTimer(MSG* out, HWND filter, UINT filter_min, UINT filter_max, bool remove) {
    if (!InRange(WM_TIMER, filter_min, filter_max)) return false;
    const std::uint64_t now = host::NowMs();
    Timer* best = nullptr;
    for (Timer& t : T().all) {
        if (t.due > now || !MatchesWindow(t.window, filter)) continue;
        if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) best = &t;
    }
    if (best == nullptr) return false;
    *out = MakeMessage(best->window, WM_TIMER, best->id, 0);
    // One message per due time: the next one is counted from now, so a slow
    // handler never leaves a pile of them behind.
    if (remove) best->due = now + best->period;
    return true;
}

std::uint64_t NextTimerDue(HWND filter, UINT filter_min, UINT filter_max) {
    std::uint64_t next = UINT64_MAX;
    if (!InRange(WM_TIMER, filter_min, filter_max)) return next;
    for (const Timer& t : T().all) {
        if (MatchesWindow(t.window, filter)) next = std::min(next, t.due);
    }
    return next;
}

void DropTimersFor(HWND window) {
    auto& all = T().all;
    all.erase(std::remove_if(all.begin(), all.end(),
                             [window](const Timer& t) { return t.window == window; }),
              all.end());
}

void ResetTimers() {
    T().all.clear();
}

}  // namespace wm

// Window timers only: each comes as WM_TIMER to its window. Callbacks and
// timers without a window are not offered.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
    // A window timer is known by its id, so id 0 could not be told from failure.
    if (!wm::FindWindow(window) || id == 0 || callback != nullptr) return 0;
    wm::Timers& timers = wm::T();
    const UINT period = std::clamp(milliseconds, wm::kMinTimerPeriod, wm::kMaxTimerPeriod);
    const std::uint64_t due = host::NowMs() + period;
    for (wm::Timer& t : timers.all) {
        if (t.window == window && t.id == id) {
            t.period = period;
            t.due = due;
            t.order = timers.next_order++;
            return id;
        }
    }
    timers.all.push_back(wm::Timer{window, id, period, due, timers.next_order++});
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto& all = wm::T().all;
    auto it = std::find_if(all.begin(), all.end(),
                           [&](const wm::Timer& t) { return t.window == window && t.id == id; });
    if (it == all.end()) return FALSE;
    all.erase(it);
    return TRUE;
}
