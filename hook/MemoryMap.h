#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace travik::hook {

// A snapshot of the process's memory regions and their protection, as the
// kernel lists them in /proc/self/maps (on Windows: as VirtualQuery walks
// the address space).
class MemoryMap {
public:
    struct Region {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
        bool read = false;
        bool write = false;
        bool exec = false;

        // PROT_* bits for mprotect; on Windows a PAGE_* value for VirtualProtect.
        int protection() const;
    };
    struct Span {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
    };

    // Reads the current map; an unreadable map gives an empty snapshot.
    static MemoryMap current();
    // Parses the text of a maps file. Lines that do not parse are skipped.
    static MemoryMap parse(std::string_view text);

    const Region* find(const void* address) const;
    bool executable(const void* address) const;
    // The readable bytes around an address, across adjacent readable regions.
    std::optional<Span> readableSpan(const void* address) const;
    bool empty() const { return regions_.empty(); }

private:
    std::vector<Region> regions_;  // sorted by address, not overlapping
};

}  // namespace travik::hook
