// Datagrams per second read from a loopback socket through the host's
// receive entry, plain and with the plug-in's packet filter in front of it,
// as ratios to the plain read of the same run, and the allocations of the
// receive path (none, filtered or not).

#include <benchmark/benchmark.h>
#include <tier0/dbg.h>
#include <tier0/vcr.h>
#include <tier1/convar.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "core/travik_plugin.h"
#include "protection/NetProtect.h"

namespace {

// Datagrams sent and read per iteration; one filtered read drops at most
// NetProtect::kMaxDropsPerCall, and the socket buffer must hold a batch.
constexpr int kBatch = 256;
constexpr int kSocketBuffer = 4 << 20;

// Game packets of several sizes, and now and then a server-info query,
// which passes the filter after a look at its type.
std::vector<std::string> GameMix() {
    std::vector<std::string> mix;
    const int sizes[] = {48, 96, 160, 320, 640, 1200, 64, 80};
    for (int i = 0; i < kBatch; ++i) {
        if (i % 16 == 15) {
            mix.push_back(std::string("\xFF\xFF\xFF\xFFTSource Engine Query\0", 25));
        } else {
            std::string packet(static_cast<size_t>(sizes[i % 8]), static_cast<char>(i));
            packet[0] = 0x12;
            mix.push_back(packet);
        }
    }
    return mix;
}

// Empty datagrams and print requests, half and half.
std::vector<std::string> FloodMix() {
    std::vector<std::string> mix;
    for (int i = 0; i < kBatch; ++i) {
        mix.push_back(i % 2 ? std::string("\xFF\xFF\xFF\xFFlstatus\n") : std::string());
    }
    return mix;
}

class Loopback {
public:
    Loopback() {
        server_ = socket(AF_INET, SOCK_DGRAM, 0);
        client_ = socket(AF_INET, SOCK_DGRAM, 0);
        setsockopt(server_, SOL_SOCKET, SO_RCVBUF, &kSocketBuffer, sizeof kSocketBuffer);
        fcntl(server_, F_SETFL, fcntl(server_, F_GETFL, 0) | O_NONBLOCK);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(server_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(server_, reinterpret_cast<sockaddr*>(&address), &length);
        connect(client_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~Loopback() {
        close(server_);
        close(client_);
    }

    bool Send(const std::vector<std::string>& packets) const {
        for (const std::string& packet : packets) {
            if (send(client_, packet.data(), packet.size(), 0) < 0) {
                return false;
            }
        }
        return true;
    }

    // One engine read through the table's receive entry.
    int Read() const {
        sockaddr_in from{};
        int fromLength = sizeof from;
        return g_pVCR->Hook_recvfrom(server_, buffer_, sizeof buffer_, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
    }

private:
    int server_ = -1;
    int client_ = -1;
    mutable char buffer_[4096];
};

// The plug-in's filter with both switches on, as on an active server.
class Filter {
public:
    Filter() {
        tk_dosprotect.SetValue(1);
        tk_ignoreplayerqueries.SetValue(1);
    }
    ~Filter() {
        tk_dosprotect.SetValue(0);
        tk_ignoreplayerqueries.SetValue(0);
    }
};

using Clock = std::chrono::steady_clock;

// Reads until `wanted` datagrams came out of the receive entry (or the
// socket ran dry); answers the time it took. The receive path's allocations
// go to `allocations`.
double TimeReads(const Loopback& net, int wanted, int& got, long& allocations) {
    got = 0;
    const long before = AllocationCount();
    const Clock::time_point start = Clock::now();
    while (got < wanted) {
        const int size = net.Read();
        if (size < 0) {
            break;
        }
        benchmark::DoNotOptimize(size);
        ++got;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    allocations += AllocationCount() - before;
    return seconds;
}

void ReadBatches(benchmark::State& state, const std::vector<std::string>& mix) {
    Loopback net;
    long allocations = 0;
    for (auto _ : state) {
        if (!net.Send(mix)) {
            state.SkipWithError("send failed");
            return;
        }
        int got = 0;
        state.SetIterationTime(TimeReads(net, kBatch, got, allocations));
        if (got != kBatch) {
            state.SkipWithError("datagrams went missing");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["allocs"] = static_cast<double>(allocations);
}

void BM_RecvPlain(benchmark::State& state) {
    ReadBatches(state, GameMix());
}

void BM_RecvFiltered(benchmark::State& state) {
    Filter filter;
    ReadBatches(state, GameMix());
}

// One read drops the whole batch and finds nothing behind it.
void BM_RecvFloodDrop(benchmark::State& state) {
    Filter filter;
    Loopback net;
    const std::vector<std::string> flood = FloodMix();
    long allocations = 0;
    for (auto _ : state) {
        if (!net.Send(flood)) {
            state.SkipWithError("send failed");
            return;
        }
        int got = 0;
        state.SetIterationTime(TimeReads(net, 1, got, allocations));
        if (got != 0) {
            state.SkipWithError("a flood datagram got through");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["allocs"] = static_cast<double>(allocations);
}

BENCHMARK(BM_RecvPlain)->UseManualTime()->Repetitions(9);
BENCHMARK(BM_RecvFiltered)->UseManualTime()->Repetitions(9);
BENCHMARK(BM_RecvFloodDrop)->UseManualTime()->Repetitions(9);

// Passes every run on to the console and, at the end, prints each
// benchmark's datagrams per second as a ratio to the plain read.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const std::string name = run.run_name.function_name;
                const double seconds = run.GetAdjustedRealTime() * 1e-9;
                rates_[name].push_back(kBatch / seconds);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto base = rates_.find("BM_RecvPlain");
        if (base == rates_.end()) {
            return;
        }
        const double plain = Median(base->second);
        std::printf("\nDatagrams per second, median of repetitions, ratio to BM_RecvPlain:\n");
        for (const char* name : {"BM_RecvPlain", "BM_RecvFiltered", "BM_RecvFloodDrop"}) {
            if (rates_.find(name) == rates_.end()) {
                continue;
            }
            const double rate = Median(rates_[name]);
            std::printf("  %-20s %12.0f/s %6.2fx  %s\n", name, rate, rate / plain, Target(name));
        }
    }

private:
    static double Median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    static const char* Target(const std::string& name) {
        return name == "BM_RecvFiltered" ? "(target >= 0.90x)" : "";
    }

    std::map<std::string, std::vector<double>> rates_;
};

// The filter's state lines stay out of the figures.
void Quiet(SpewType_t, const Color&, const char*) {}

}  // namespace

int main(int argc, char** argv) {
    if (!InitInterleaved(argc, argv)) {
        return 1;
    }
    SpewOutputFunc(Quiet);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
