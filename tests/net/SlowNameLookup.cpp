#include "SlowNameLookup.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <dlfcn.h>
#include <netdb.h>

namespace {

struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    int begun = 0;
    int inside = 0;
};

Gate& TheGate() {
    static Gate gate;
    return gate;
}

}  // namespace

// Defined in the program, this one comes before the C library's for every
// library it loads, libcurl's resolver included.
extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
    if (node && std::strcmp(node, testnet::kSlowHost) == 0) {
        Gate& gate = TheGate();
        std::unique_lock<std::mutex> lock(gate.lock);
        ++gate.begun;
        ++gate.inside;
        gate.changed.notify_all();
        gate.changed.wait_for(lock, testnet::kLookupHold, [&] { return !gate.held; });
        --gate.inside;
        gate.changed.notify_all();
        return EAI_NONAME;
    }
    using Lookup = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const auto next = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return next ? next(node, service, hints, result) : EAI_SYSTEM;
}

namespace testnet {

int Threads() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++count;
        }
        closedir(dir);
    }
    return count;
}

SlowNameLookups::SlowNameLookups() : m_Threads(Threads()) {
    Gate& gate = TheGate();
    std::lock_guard<std::mutex> lock(gate.lock);
    gate.held = true;
    m_Begun = gate.begun;
}

SlowNameLookups::~SlowNameLookups() {
    Release();
}

int SlowNameLookups::Begun() const {
    Gate& gate = TheGate();
    std::lock_guard<std::mutex> lock(gate.lock);
    return gate.begun - m_Begun;
}

bool SlowNameLookups::WaitForLookups(int count, std::chrono::milliseconds limit) const {
    Gate& gate = TheGate();
    std::unique_lock<std::mutex> lock(gate.lock);
    return gate.changed.wait_for(lock, limit, [&] { return gate.begun - m_Begun >= count; });
}

bool SlowNameLookups::Release(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Gate& gate = TheGate();
    {
        std::unique_lock<std::mutex> lock(gate.lock);
        gate.held = false;
        gate.changed.notify_all();
        if (!gate.changed.wait_until(lock, deadline, [&] { return gate.inside == 0; }))
            return false;
    }
    // A thread that left the lookup still has its caller's clean-up to run.
    while (Threads() > m_Threads) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testnet
