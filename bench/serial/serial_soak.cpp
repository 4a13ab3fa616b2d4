// Ten minutes and more of a 4800-baud receiver on a pseudo-terminal, with logging on, through
// the real window manager on the virtual clock. Checks that the log equals what was sent and
// that memory stays flat.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
#include "nmea/nav_record.h"
#include "resources/resource_ids.h"
#include "screen/drawing_resources.h"
#include "serial/serial_state.h"
#include "serial/tick.h"
#include "serial/update_cycle.h"
#include "tests/support/program_host.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "win/windows.h"

namespace {

using test_support::PtyPair;
using test_support::TempDir;

constexpr std::size_t kBytesPerSecond = 480;  // 4800 baud, ten bits a byte
constexpr std::uint64_t kDefaultFeedSeconds = 630;
constexpr std::uint64_t kWarmUpMs = 60'000;

LRESULT SoakWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER) {
        if (wparam == kTickTimerId) TickTimerTick(window);
        if (wparam == kNoFixTimerId && Nav.fixType <= 1) ++Nav.noFixSeconds;
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == kLogCommandId) {
        ToggleLogging(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::vector<std::uint8_t> LoadSamples(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".nmea") names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<std::uint8_t> bytes;
    for (const std::string& name : names) {
        std::ifstream in(name, std::ios::binary);
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
    }
    return bytes;
}

struct Feed {
    PtyPair* pty;
    const std::vector<std::uint8_t>* samples;
    std::size_t position = 0;
    std::uint64_t nextSecondMs = 0;
    std::uint64_t stopMs = 0;
    // The input is the samples repeated from their start, so counts describe it fully.
    std::size_t sent = 0;
    std::size_t sentBeforeChoice = 0;
    bool chosen = false;
    bool failed = false;
    long residentAfterWarmUp = 0;
    long residentHalfway = 0;
};

// One burst of a second's worth of bytes at every second of virtual time.
void OnClock(std::uint64_t now, void* context) {
    Feed& feed = *static_cast<Feed*>(context);
    if (!feed.chosen && SearchPending == 0) {
        // Everything sent so far went to the search's probe, which logs nothing.
        feed.chosen = true;
        feed.sentBeforeChoice = feed.sent;
    }
    if (feed.residentAfterWarmUp == 0 && now >= kWarmUpMs) feed.residentAfterWarmUp = ResidentKb();
    if (feed.residentHalfway == 0 && now >= feed.stopMs / 2) feed.residentHalfway = ResidentKb();
    while (now >= feed.nextSecondMs && feed.nextSecondMs < feed.stopMs && !feed.failed) {
        std::uint8_t burst[kBytesPerSecond];
        for (std::size_t i = 0; i < kBytesPerSecond; ++i) {
            burst[i] = (*feed.samples)[feed.position];
            feed.position = (feed.position + 1) % feed.samples->size();
        }
        const long queued = feed.pty->Queued();
        const std::string_view chunk(reinterpret_cast<const char*>(burst), kBytesPerSecond);
        if (queued < 0 || !feed.pty->Write(chunk) ||
            !feed.pty->WaitQueued(static_cast<std::size_t>(queued) + kBytesPerSecond)) {
            feed.failed = true;
        }
        feed.sent += kBytesPerSecond;
        feed.nextSecondMs += 1000;
    }
}

}  // namespace

// Optional argument: seconds of virtual time to feed (at least 120).
int main(int argc, char** argv) {
    std::uint64_t feedSeconds = kDefaultFeedSeconds;
    if (argc > 1) feedSeconds = std::max<std::uint64_t>(120, std::strtoull(argv[1], nullptr, 10));
    const std::vector<std::uint8_t> samples = LoadSamples(SKYMARK_DATA_DIR);
    if (samples.empty()) {
        std::fprintf(stderr, "no sample logs in %s\n", SKYMARK_DATA_DIR);
        return 1;
    }
    const auto realStart = std::chrono::steady_clock::now();
    host::UseVirtualClock(0);
    TempDir dir;
    dir.Enter();
    PtyPair pty;
    if (!dir.Ok() || !pty.Ok()) {
        std::fprintf(stderr, "no temporary folder or pseudo-terminal\n");
        return 1;
    }
    // Only COM1 leads anywhere; the host's own serial devices are left alone.
    pty.UseAsComPort(1);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SoakWindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = u"SoakMain";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, u"SoakMain", u"Soak", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    LogButton = CreateWindowExW(
        0, u"button", u"Log", WS_CHILD | WS_VISIBLE, 250, 55, 60, 30, window,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kLogCommandId)), nullptr, nullptr);
    CreateDrawingResources(window);
    ShowWindow(window, SW_SHOW);
    TickTimer = SetTimer(window, kTickTimerId, 1000, nullptr);
    NoFixTimer = SetTimer(window, kNoFixTimerId, 1000, nullptr);
    ToggleLogging(window);

    Feed feed;
    feed.pty = &pty;
    feed.samples = &samples;
    feed.stopMs = feedSeconds * 1000;
    host::SetVirtualClockObserver(OnClock, &feed);
    const long residentStart = ResidentKb();
    // A little longer than the feed, so the last burst is read too.
    host::RunMessageLoopUntil(feed.stopMs + 1000);
    host::SetVirtualClockObserver(nullptr, nullptr);
    const long residentEnd = ResidentKb();
    const long leftQueued = pty.Queued();
    ToggleLogging(window);  // closes the log

    // The log must be the samples repeated, from where the search stopped taking them.
    std::ifstream in(dir.Path() + "/NMEADataLog.TXT", std::ios::binary);
    std::size_t logged = 0;
    std::size_t position = feed.sentBeforeChoice % samples.size();
    bool equal = true;
    for (int c = in.get(); c != EOF; c = in.get(), ++logged) {
        if (static_cast<std::uint8_t>(c) != samples[position]) equal = false;
        position = (position + 1) % samples.size();
    }
    equal = equal && logged == feed.sent - feed.sentBeforeChoice;
    const double realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();

    std::printf("virtual time      %llu s\n",
                static_cast<unsigned long long>(host::NowMs() / 1000));
    std::printf("bytes sent        %zu (%zu to the search's probe)\n", feed.sent,
                feed.sentBeforeChoice);
    std::printf("bytes logged      %zu, left queued %ld\n", logged, leftQueued);
    std::printf("log equals input  %s\n", equal ? "yes" : "NO");
    std::printf(
        "resident memory   %ld kB at start, %ld kB after 60 s, %ld kB halfway, %ld kB at end\n",
        residentStart, feed.residentAfterWarmUp, feed.residentHalfway, residentEnd);
    std::printf("real time         %.2f s\n", realSeconds);

    DestroyWindow(window);
    const bool flat = residentEnd - feed.residentAfterWarmUp <= 64;
    return equal && !feed.failed && feed.chosen && flat ? 0 : 1;
}
