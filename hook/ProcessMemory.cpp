#include "hook/ProcessMemory.h"

#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace travik::hook {

ProcessMemory::LoadCount ProcessMemory::loadCount() {
    LoadCount count;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t size, void* data) -> int {
            if (size >= offsetof(dl_phdr_info, dlpi_subs) + sizeof info->dlpi_subs) {
                auto* out = static_cast<LoadCount*>(data);
                out->adds = info->dlpi_adds;
                out->subs = info->dlpi_subs;
            }
            return 1;  // the counters are the same in every entry
        },
        &count);
    return count;
}

const MemoryMap& ProcessMemory::map() {
    if (!read_ || !(loadCount() == loaded_)) {
        return refresh();
    }
    return map_;
}

const MemoryMap& ProcessMemory::refresh() {
    loaded_ = loadCount();
    map_ = MemoryMap::current();
    read_ = true;
    ++generation_;
    return map_;
}

bool ProcessMemory::writeWord(void** where, void* value) {
    if (reinterpret_cast<std::uintptr_t>(where) % alignof(void*) != 0) {
        return false;
    }
    // A snapshot can be older than the page it is asked about: only trust it
    // when it says writable, and ask the kernel again otherwise.
    const MemoryMap::Region* region = map().find(where);
    if (region == nullptr || !region->write) {
        region = refresh().find(where);
    }
    if (region == nullptr || !region->read) {
        return false;
    }
    if (region->write) {
        std::memcpy(where, &value, sizeof value);
        return true;
    }
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    void* page = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(where) & ~(pageSize - 1));
    if (::mprotect(page, pageSize, region->protection() | PROT_WRITE) != 0) {
        return false;
    }
    std::memcpy(where, &value, sizeof value);
    // The store is done either way; a failure to put the protection back
    // leaves the page writable, which is not worth undoing the store for.
    ::mprotect(page, pageSize, region->protection());
    return true;
}

}  // namespace travik::hook
