// Splitting a league host's answer of 64 KiB at ",", as the auth host does
// twice per player: one of nothing but commas (what a broken or hostile host
// may send) and one of short fields. The baseline is a plain pass over the
// same text that copies it and counts its commas, the least any split must
// do; the figures kept are the splits' times as ratios to it. A split that
// erased as it went would grow with the square of the answer's length.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "support/StringTokenizer.h"

namespace {

constexpr std::size_t kAnswerSize = 64u << 10;

const std::string& Commas() {
    static const std::string text(kAnswerSize, ',');
    return text;
}

const std::string& ShortFields() {
    static const std::string text = [] {
        std::string built;
        while (built.size() < kAnswerSize) {
            built += "QUJD,,";
        }
        return built;
    }();
    return text;
}

void BM_ScanAnswer(benchmark::State& state) {
    const std::string& text = ShortFields();
    for (auto _ : state) {
        std::string copy = text;
        benchmark::DoNotOptimize(std::count(copy.begin(), copy.end(), ','));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Every token taken, as the auth host takes them.
void Split(benchmark::State& state, const std::string& text, std::size_t expected) {
    for (auto _ : state) {
        StringTokenizer tokens(text, ",");
        std::size_t count = 0;
        while (tokens.hasMoreTokens()) {
            benchmark::DoNotOptimize(tokens.nextToken());
            ++count;
        }
        if (count != expected) {
            state.SkipWithError("the answer split into the wrong number of fields");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_SplitCommas(benchmark::State& state) {
    Split(state, Commas(), 0);
}

void BM_SplitShortFields(benchmark::State& state) {
    Split(state, ShortFields(), ShortFields().size() / 6);
}

BENCHMARK(BM_ScanAnswer)->Repetitions(7);
BENCHMARK(BM_SplitCommas)->Repetitions(7);
BENCHMARK(BM_SplitShortFields)->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("Splitting a 64 KiB answer at \",\"", "BM_ScanAnswer",
                               {"BM_SplitCommas", "BM_SplitShortFields"});
    return RunInterleaved(argc, argv, reporter);
}
