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

#include "app/app_state.h"
#include "host/host.h"
#include "nmea/nav_record.h"
#include "screen/drawing_resources.h"
#include "serial/port_search.h"
#include "serial/serial_state.h"
#include "serial/update_cycle.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "win/windows.h"

namespace {

using test_support::PtyPair;
using test_support::TempDir;

constexpr std::size_t kBytesPerSecond = 480;  // 4800 baud, ten bits a byte
constexpr std::uint64_t kFeedSeconds = 630;
constexpr std::uint64_t kWarmUpMs = 60'000;

LRESULT SoakWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER) {
        if (wparam == 1) TickTimerTick(window);
        if (wparam == 2 && Nav.fixType <= 1) ++Nav.noFixSeconds;
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
    std::vector<std::uint8_t> sent;  // every byte written, in order
    std::size_t sentBeforeChoice = 0;
    bool chosen = false;
    bool failed = false;
    long residentAfterWarmUp = 0;
};

// One burst of a second's worth of bytes at every second of virtual time.
void OnClock(std::uint64_t now, void* context) {
    Feed& feed = *static_cast<Feed*>(context);
    if (!feed.chosen && SearchPending == 0) {
        // Everything sent so far went to the search's probe, which logs nothing.
        feed.chosen = true;
        feed.sentBeforeChoice = feed.sent.size();
    }
    if (feed.residentAfterWarmUp == 0 && now >= kWarmUpMs) feed.residentAfterWarmUp = ResidentKb();
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
        feed.sent.insert(feed.sent.end(), burst, burst + kBytesPerSecond);
        feed.nextSecondMs += 1000;
    }
}

}  // namespace

int main() {
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
    TickTimer = SetTimer(window, 1, 1000, nullptr);
    NoFixTimer = SetTimer(window, 2, 1000, nullptr);
    ToggleLogging(window);

    Feed feed;
    feed.pty = &pty;
    feed.samples = &samples;
    feed.stopMs = kFeedSeconds * 1000;
    host::SetVirtualClockObserver(OnClock, &feed);
    const long residentStart = ResidentKb();
    // A little longer than the feed, so the last burst is read too.
    host::RunMessageLoopUntil(feed.stopMs + 1000);
    host::SetVirtualClockObserver(nullptr, nullptr);
    const long residentEnd = ResidentKb();
    const long leftQueued = pty.Queued();
    ToggleLogging(window);  // closes the log

    std::ifstream in(dir.Path() + "/NMEADataLog.TXT", std::ios::binary);
    const std::vector<std::uint8_t> log{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
    const std::vector<std::uint8_t> expected(feed.sent.begin() + feed.sentBeforeChoice,
                                             feed.sent.end());
    const bool equal = log == expected;
    const double realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();

    std::printf("virtual time      %llu s\n",
                static_cast<unsigned long long>(host::NowMs() / 1000));
    std::printf("bytes sent        %zu (%zu to the search's probe)\n", feed.sent.size(),
                feed.sentBeforeChoice);
    std::printf("bytes logged      %zu, left queued %ld\n", log.size(), leftQueued);
    std::printf("log equals input  %s\n", equal ? "yes" : "NO");
    std::printf("resident memory   %ld kB at start, %ld kB after 60 s, %ld kB at end\n",
                residentStart, feed.residentAfterWarmUp, residentEnd);
    std::printf("real time         %.2f s\n", realSeconds);

    DestroyWindow(window);
    dir.Leave();
    const bool flat = residentEnd - feed.residentAfterWarmUp <= 64;
    return equal && !feed.failed && feed.chosen && flat ? 0 : 1;
}
