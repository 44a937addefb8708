#pragma once

#include <benchmark/benchmark.h>

// A program linked with CountingAllocator.cpp counts every allocation of the
// global operator new, so that a benchmark can show that a hot path
// allocates nothing.
long AllocationCount();

// Runs `step` once to warm up (fields are found on first use), then once an
// iteration; the allocations of the iterations go to the "allocs" counter.
template <class Step>
void RunCountingAllocations(benchmark::State& state, Step&& step) {
    step();
    const long before = AllocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(step());
    }
    // Read before the counter allocates its own entry.
    const long allocations = AllocationCount() - before;
    state.counters["allocs"] = static_cast<double>(allocations);
}
