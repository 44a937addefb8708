#pragma once

#include <benchmark/benchmark.h>

#include <vector>

// Starts Google Benchmark with its repetitions interleaved, so that a spell of
// load on a shared machine does not fall on one benchmark alone. False when an
// argument was not understood (already reported).
inline bool InitInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

// A benchmark program's main: every registered benchmark, interleaved, told
// to the reporter; the program's exit status.
inline int RunInterleaved(int argc, char** argv, benchmark::BenchmarkReporter& reporter) {
    if (!InitInterleaved(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
