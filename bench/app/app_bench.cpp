// The cost of one TickTimer tick of the whole program: the window procedure,
// the read from the port, the decoders and the drawing, with a second's worth
// of receiver data waiting on a pseudo-terminal.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "host/host.h"
#include "resources/program_resources.h"
#include "serial/serial_state.h"
#include "sim_core.h"
#include "tests/support/program_host.h"
#include "win/windows.h"

namespace {

struct Receiver {
    int master = -1;
    int watch = -1;  // keeps the slave's queue visible to FIONREAD
    std::string slave;
};

bool OpenReceiver(Receiver* r) {
    r->master = posix_openpt(O_RDWR | O_NOCTTY);
    if (r->master < 0 || grantpt(r->master) != 0 || unlockpt(r->master) != 0) return false;
    char path[128];
    if (ptsname_r(r->master, path, sizeof path) != 0) return false;
    r->slave = path;
    r->watch = open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK);
    termios settings{};
    if (r->watch < 0 || tcgetattr(r->watch, &settings) != 0) return false;
    cfmakeraw(&settings);
    return tcsetattr(r->watch, TCSANOW, &settings) == 0;
}

// Sends the bytes and waits until the slave side holds them all.
void Send(const Receiver& r, const char* bytes, std::size_t size) {
    std::size_t queuedBefore = 0;
    int queued = 0;
    if (ioctl(r.watch, FIONREAD, &queued) == 0) queuedBefore = static_cast<std::size_t>(queued);
    while (size > 0) {
        const ssize_t n = write(r.master, bytes, size);
        if (n <= 0) return;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        queuedBefore += static_cast<std::size_t>(n);
    }
    for (int i = 0; i < 10000; ++i) {
        if (ioctl(r.watch, FIONREAD, &queued) == 0 &&
            static_cast<std::size_t>(queued) >= queuedBefore) {
            return;
        }
        usleep(50);
    }
}

struct Program {
    Receiver receiver;
    HWND main = nullptr;
    sim::ReceiverConfig config;
    std::uint32_t second = 0;
};

Program* StartProgram() {
    static Program program;
    if (program.main != nullptr) return &program;
    if (!OpenReceiver(&program.receiver)) return nullptr;
    host::SetPortSource(1, program.receiver.slave.c_str());
    for (int n = 2; n <= 9; ++n)
        host::SetPortSource(n, "");
    host::UseVirtualClock(0);
    if (!CreateMainWindow(host::CreateInstance(ProgramResources()), SW_SHOW)) return nullptr;
    program.main = GetParent(LogButton);
    // The first ticks are the search's steps: it opens the ports, then takes
    // COM1, which has data waiting, at its first probe.
    sim::Burst burst;
    sim::SynthesizeSecond(program.config, program.second++, &burst);
    Send(program.receiver, burst.bytes, burst.size);
    for (int step = 0; step < 10 && SearchPending; ++step)
        SendMessageW(program.main, WM_TIMER, kTickTimerId, 0);
    return SearchPending == 0 ? &program : nullptr;
}

// A second of the simulated receiver: four systems by default (four GSV groups,
// so four passes of the plot and the bars), or GPS alone.
void TickWithASecond(benchmark::State& state, sim::Gnss gnss) {
    Program* program = StartProgram();
    if (program == nullptr) {
        state.SkipWithError("the program did not start on its pseudo-terminal");
        return;
    }
    program->config.gnss = gnss;
    sim::Burst burst;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sim::SynthesizeSecond(program->config, program->second++, &burst);
        Send(program->receiver, burst.bytes, burst.size);
        bytes += burst.size;
        state.ResumeTiming();
        SendMessageW(program->main, WM_TIMER, kTickTimerId, 0);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_TickWithASecondOfReceiverData(benchmark::State& state) {
    TickWithASecond(state, sim::Gnss::kFourSystems);
}
BENCHMARK(BM_TickWithASecondOfReceiverData);

void BM_TickWithASecondOfGpsOnlyData(benchmark::State& state) {
    TickWithASecond(state, sim::Gnss::kGpsOnly);
}
BENCHMARK(BM_TickWithASecondOfGpsOnlyData);

void BM_TickWithNothingQueued(benchmark::State& state) {
    Program* program = StartProgram();
    if (program == nullptr) {
        state.SkipWithError("the program did not start on its pseudo-terminal");
        return;
    }
    for (auto _ : state)
        SendMessageW(program->main, WM_TIMER, kTickTimerId, 0);
}
BENCHMARK(BM_TickWithNothingQueued);

}  // namespace

BENCHMARK_MAIN();
