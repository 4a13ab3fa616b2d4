// Window manager costs: idle CPU of a window with a 1000 ms timer on the real
// clock (the loop must sleep, not spin), message round trips and window DCs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "host/host.h"
#include "host/testing.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

namespace {

int timer_messages = 0;

LRESULT IdleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (++timer_messages == 10) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void RegisterClass(LPCWSTR name, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hbrBackground = GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

// Ten seconds of an empty window with a 1000 ms timer, headless, real clock.
void BM_IdleWindowTenSeconds(benchmark::State& state) {
    for (auto _ : state) {
        host::UseRealClock();
        host::ResetWindowManager();
        RegisterClass(u"Idle", IdleProc);
        timer_messages = 0;
        HWND window =
            CreateWindowExW(0, u"Idle", u"Idle", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        SetTimer(window, 1, 1000, nullptr);
        std::uint64_t start_ms = host::NowMs();
        double cpu_start = ProcessCpuMs();
        host::RunMessageLoopToQuit();
        double cpu_ms = ProcessCpuMs() - cpu_start;
        double wall_ms = static_cast<double>(host::NowMs() - start_ms);
        state.counters["wall_ms"] = wall_ms;
        state.counters["cpu_ms"] = cpu_ms;
        state.counters["cpu_percent"] = 100.0 * cpu_ms / wall_ms;
        state.counters["timer_messages"] = timer_messages;
    }
    host::ResetWindowManager();
}
BENCHMARK(BM_IdleWindowTenSeconds)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

LRESULT QuietProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_USER) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}

// Post, get and dispatch one message.
void BM_PostGetDispatch(benchmark::State& state) {
    host::UseVirtualClock(0);
    host::ResetWindowManager();
    RegisterClass(u"Quiet", QuietProc);
    HWND window = CreateWindowExW(0, u"Quiet", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    host::RunMessageLoopUntil(0);
    MSG msg;
    for (auto _ : state) {
        PostMessageW(window, WM_USER, 0, 0);
        GetMessageW(&msg, nullptr, 0, 0);
        DispatchMessageW(&msg);
    }
    host::ResetWindowManager();
    host::UseRealClock();
}
BENCHMARK(BM_PostGetDispatch);

// GetDC on a main window with two buttons and a popup above it: the visible
// region is computed on every call.
void BM_GetDcReleaseDc(benchmark::State& state) {
    host::UseVirtualClock(0);
    host::ResetWindowManager();
    RegisterClass(u"Quiet", QuietProc);
    HWND main = CreateWindowExW(0, u"Quiet", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, u"Quiet", u"", WS_CHILD | WS_VISIBLE, 250, 25, 60, 30, main, nullptr,
                    nullptr, nullptr);
    CreateWindowExW(0, u"Quiet", u"", WS_CHILD | WS_VISIBLE, 250, 55, 60, 30, main, nullptr,
                    nullptr, nullptr);
    CreateWindowExW(0, u"Quiet", u"", WS_POPUP | WS_VISIBLE, 25, 97, 190, 100, main, nullptr,
                    nullptr, nullptr);
    for (auto _ : state) {
        HDC dc = GetDC(main);
        benchmark::DoNotOptimize(dc);
        ReleaseDC(main, dc);
    }
    host::ResetWindowManager();
    host::UseRealClock();
}
BENCHMARK(BM_GetDcReleaseDc);

}  // namespace

BENCHMARK_MAIN();
