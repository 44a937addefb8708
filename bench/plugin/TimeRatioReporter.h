#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Passes every run on to the console and, at the end, prints the median time
// of each named benchmark per item (an iteration's time over `itemsPerIteration`)
// as a ratio to the baseline's and the time it adds to it.
class TimeRatioReporter : public benchmark::ConsoleReporter {
public:
    TimeRatioReporter(std::string title, std::string baseline, std::vector<std::string> others,
                      int itemsPerIteration = 1)
        : title_(std::move(title)),
          baseline_(std::move(baseline)),
          others_(std::move(others)),
          items_(itemsPerIteration) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.run_name.function_name].push_back(run.GetAdjustedRealTime() / items_);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (times_.count(baseline_) == 0) {
            return;
        }
        const double plain = Median(times_[baseline_]);
        std::printf("\n%s, median of repetitions:\n", title_.c_str());
        std::printf("  %-30s %10.2f ns  1.00x\n", baseline_.c_str(), plain);
        for (const std::string& name : others_) {
            if (times_.count(name) != 0) {
                const double time = Median(times_[name]);
                std::printf("  %-30s %10.2f ns  %5.2fx  (%+.2f ns)\n", name.c_str(), time,
                            time / plain, time - plain);
            }
        }
    }

private:
    static double Median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    std::string title_;
    std::string baseline_;
    std::vector<std::string> others_;
    int items_;
    std::map<std::string, std::vector<double>> times_;
};
