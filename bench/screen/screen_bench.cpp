// The whole receive path as a tick runs it: chunks of receiver output through
// the sentence stream, with every refresh drawn on a window-sized DC.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/testing.h"
#include "screen/drawing_resources.h"
#include "screen/main_screen.h"
#include "screen/sentence_stream.h"
#include "tests/support/program_host.h"

namespace {

// 4800 baud is 480 bytes a second; a 300 ms tick finds about 144 of them.
constexpr int kBytesPerSecond = 480;
constexpr int kChunkBytes = 144;

std::vector<uint8_t> LoadSampleLogs() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(SKYMARK_DATA_DIR, error)) {
        if (entry.path().extension() == ".nmea") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<uint8_t> bytes;
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
    }
    return bytes;
}

void BM_ProcessChunkWithDrawing(benchmark::State& state) {
    const std::vector<uint8_t> logs = LoadSampleLogs();
    if (logs.empty()) {
        state.SkipWithError("no sample logs in " SKYMARK_DATA_DIR);
        return;
    }
    HDC window = host::CreateScreenDc();
    CreateDrawingResourcesForDc(window);
    DrawStaticScreen(window);

    size_t offset = 0;
    int64_t bytes = 0;
    for (auto _ : state) {
        const int32_t count =
            static_cast<int32_t>(std::min<size_t>(kChunkBytes, logs.size() - offset));
        ProcessChunk(nullptr, window, logs.data() + offset, count);
        offset += static_cast<size_t>(count);
        if (offset == logs.size()) offset = 0;
        bytes += count;
    }
    state.SetBytesProcessed(bytes);
    // CPU seconds spent per second of receiver output.
    state.counters["cpu_per_input_s"] =
        benchmark::Counter(static_cast<double>(bytes) / kBytesPerSecond,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    host::DeleteScreenDc(window);
}
BENCHMARK(BM_ProcessChunkWithDrawing);

}  // namespace

BENCHMARK_MAIN();
