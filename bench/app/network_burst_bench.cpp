// The whole program on the real clock against a TCP source that sends a
// megabyte at once (a multiplexer after an outage, a log replayed at speed):
// how long until the screen shows the burst's newest sentence, and how long
// the longest tick holds the window meanwhile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "host/host.h"
#include "nmea/nav_record.h"
#include "resources/program_resources.h"
#include "serial/serial_state.h"
#include "tests/support/nmea_text.h"
#include "tests/support/program_host.h"
#include "tests/support/tcp_server.h"
#include "win/windows.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Fix(const std::string& latitude) {
    return test_support::Sentence("GPGGA,123519," + latitude +
                                  ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
           test_support::Sentence("GPGSA,A,3,01,02,12,14,,,,,,,,,2.5,1.3,2.1") +
           test_support::Sentence(
               "GPGSV,1,1,04,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45");
}

// Dispatches messages until done() holds or limit_ms have passed; returns
// the longest tick seen, in milliseconds.
double PumpUntil(HWND main, const std::function<bool()>& done, int limit_ms) {
    double longest = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(limit_ms);
    MSG msg{};
    while (!done() && Clock::now() < end) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Nothing due: a short wait, so that the check above runs often.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const bool tick = msg.message == WM_TIMER && msg.hwnd == main && msg.wParam == kTickTimerId;
        const auto start = Clock::now();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (tick) {
            longest = std::max(
                longest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    return longest;
}

bool Shows(float latitude) {
    return SearchPending == 0 && std::fabs(Nav.ggaLatitude - latitude) < 0.01f;
}

void BM_MegabyteBurstCaughtUp(benchmark::State& state) {
    test_support::TcpServer server;
    if (!server.Ok()) {
        state.SkipWithError("no local TCP server");
        return;
    }
    host::SetPortSource(1, ("tcp://127.0.0.1:" + std::to_string(server.Port())).c_str());
    for (int n = 2; n <= 9; ++n)
        host::SetPortSource(n, "");
    if (!CreateMainWindow(host::CreateInstance(ProgramResources()), SW_SHOW)) {
        state.SkipWithError("no main window");
        return;
    }
    HWND main = GetParent(LogButton);
    std::atomic<bool> stop{false};
    // Until the search has taken the source, a fix every 200 ms.
    std::thread greeter([&] {
        while (!stop && SearchPending) {
            if (server.Accept(0)) server.Send(Fix("4807.038"));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    PumpUntil(
        main, [] { return SearchPending == 0; }, 10000);
    stop = true;
    greeter.join();
    if (SearchPending) {
        state.SkipWithError("the search did not take the source");
        return;
    }

    double longestTick = 0;
    int round = 0;
    for (auto _ : state) {
        // A different newest sentence each round.
        const std::string latitude = std::to_string(3300 + round++) + ".100";
        std::string burst;
        for (int i = 0; burst.size() < 1000000; ++i)
            burst += Fix("4807.038") + std::string(60, static_cast<char>('!' + i % 90)) + "\r\n";
        burst += Fix(latitude) + "$";
        const auto start = Clock::now();
        std::thread sender([&] { server.Send(burst); });
        const float wanted = std::strtof(latitude.c_str(), nullptr);
        longestTick = std::max(longestTick, PumpUntil(
                                                main, [&] { return Shows(wanted); }, 20000));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        sender.join();
        if (!Shows(wanted)) {
            state.SkipWithError("the burst was not caught up within 20 s");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["longest_tick_ms"] = longestTick;
    DestroyWindow(main);
}
BENCHMARK(BM_MegabyteBurstCaughtUp)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
