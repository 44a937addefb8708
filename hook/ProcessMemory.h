#pragma once

#include <cstdint>

#include "hook/MemoryMap.h"

namespace travik::hook {

// The process's memory as the hook layer needs it: a map snapshot that is
// re-read when shared objects come or go (the only common source of new
// read-only data), and word stores into pages that may be read-only.
class ProcessMemory {
public:
    // The snapshot, re-read first if shared objects were loaded or unloaded.
    const MemoryMap& map();
    // Re-reads the snapshot now.
    const MemoryMap& refresh();
    // Counts re-reads, so that callers can drop what they derived from an
    // older snapshot.
    std::uint64_t generation() const { return generation_; }

    // Stores a pointer-sized word at an aligned address. A read-only page is
    // made writable for the store and given its protection back at once.
    bool writeWord(void** where, void* value);

private:
    struct LoadCount {
        unsigned long long adds = 0;
        unsigned long long subs = 0;
        bool operator==(const LoadCount&) const = default;
    };
    static LoadCount loadCount();

    MemoryMap map_;
    LoadCount loaded_;
    std::uint64_t generation_ = 0;
    bool read_ = false;
};

}  // namespace travik::hook
