#include "hook/ShadowVtable.h"

#include <algorithm>
#include <cstdint>

namespace travik::hook::detail {

namespace {

// The words around a virtual table are read without knowing where the
// table's neighbours begin: they are mapped and readable (the memory map
// says so), but belong to no object that AddressSanitizer knows.
__attribute__((no_sanitize("address"), noinline)) void* readWord(void* const* at) {
    return *static_cast<void* const volatile*>(at);
}

void copyWords(void** to, void* const* from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = readWord(from + i);
    }
}

}  // namespace

std::optional<ShadowVtable::Extent> ShadowVtable::measure(const MemoryMap& map,
                                                          void* const* addressPoint) {
    const auto span = map.readableSpan(addressPoint);
    const auto at = reinterpret_cast<std::uintptr_t>(addressPoint);
    if (!span || at % alignof(void*) != 0) {
        return std::nullopt;
    }
    Extent extent;
    extent.prefix = std::min<std::size_t>(kPrefixWords, (at - span->begin) / sizeof(void*));
    const std::size_t readable = (span->end - at) / sizeof(void*);
    const std::size_t limit = std::min(readable, kMaxSlots);
    while (extent.slots < limit && map.executable(readWord(addressPoint + extent.slots))) {
        ++extent.slots;
    }
    if (extent.slots == 0) {
        return std::nullopt;
    }
    return extent;
}

ShadowVtable::ShadowVtable(void* const* original, const Extent& extent)
    : extent_(extent), words_(new void*[extent.slots + kPrefixWords + extent.slots]()) {
    void** prefix = entries() - extent_.prefix;
    copyWords(prefix, original - extent_.prefix, extent_.prefix);
    copyWords(entries(), original, extent_.slots);
}

}  // namespace travik::hook::detail
