// Throughput of checksum plus decoding over the recorded receiver logs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "nmea/nav_record.h"
#include "nmea/sentence_router.h"

namespace {

constexpr size_t kStreamBytes = 20u << 20;

// The sample logs repeated into one stream of about 20 MB, built once.
const std::string& Stream() {
    static const std::string stream = [] {
        std::string logs;
        const char* dir = std::getenv("SKYMARK_DATA_DIR");
        std::filesystem::path folder = dir != nullptr ? dir : SKYMARK_DATA_DIR;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() != ".nmea") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            logs.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::string out;
        if (logs.empty()) return out;
        out.reserve(kStreamBytes + logs.size());
        while (out.size() < kStreamBytes)
            out += logs;
        return out;
    }();
    return stream;
}

struct Counts {
    int64_t sentences = 0;
    int64_t verified = 0;
    // A clock for the decoder: a millisecond per sentence, so that groups of
    // a system that falls silent in the stream expire as they would.
    uint32_t tickMs = 0;
};

// Closes one sentence: verify, route by type and decode.
inline void Dispatch(char* sentence, int32_t length, Counts& counts) {
    sentence[length] = '\0';
    ++counts.sentences;
    // As the program routes it: the checksum's '*' found once.
    const RoutedSentence routed = RouteSentence(sentence, length);
    if (routed.kind == SentenceKind::kFailed) return;
    ++counts.verified;
    DecodeRouted(Nav, routed, sentence, length, ++counts.tickMs);
}

void BM_VerifyAndDecode(benchmark::State& state) {
    const std::string& stream = Stream();
    if (stream.empty()) {
        state.SkipWithError("no sample logs found");
        return;
    }
    static char sentence[512];
    Counts counts;
    for (auto _ : state) {
        const char* p = stream.data();
        const char* const end = p + stream.size();
        int32_t length = 0;
        // A sentence runs from one '$' up to the next, as the stream splits it.
        while (p < end) {
            const char* next = static_cast<const char*>(std::memchr(p + 1, '$', end - p - 1));
            if (next == nullptr) next = end;
            size_t n = static_cast<size_t>(next - p);
            if (n > sizeof sentence - 1) n = sizeof sentence - 1;
            std::memcpy(sentence, p, n);
            length = static_cast<int32_t>(n);
            Dispatch(sentence, length, counts);
            p = next;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
    state.counters["sentences"] =
        benchmark::Counter(static_cast<double>(counts.sentences), benchmark::Counter::kIsRate);
    state.counters["verified"] = benchmark::Counter(static_cast<double>(counts.verified) /
                                                    static_cast<double>(counts.sentences));
}
BENCHMARK(BM_VerifyAndDecode)->Unit(benchmark::kMillisecond);

// Reference: the least any decoder must do, one XOR and one comparison per byte.
void BM_XorAndCommaScan(benchmark::State& state) {
    const std::string& stream = Stream();
    if (stream.empty()) {
        state.SkipWithError("no sample logs found");
        return;
    }
    for (auto _ : state) {
        uint8_t sum = 0;
        int64_t commas = 0;
        for (const char c : stream) {
            sum ^= static_cast<uint8_t>(c);
            commas += c == ',';
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(commas);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_XorAndCommaScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
