#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "hook/MemoryMap.h"

namespace travik::hook::detail {

struct Chain;

// A private copy of a virtual table for one hooked object, whose hooked slots
// point at thunks. Its words, in order:
//
//   chain pointers for slots count-1 .. 0   read by the thunks, one per slot
//   kPrefixWords words copied from before the original's address point:
//     offset-to-top and type information, and virtual-base and vcall offsets
//     when the class has virtual bases, so dynamic_cast and typeid still work
//   count slots copied from the original          <- the address point
//
// The chain of slot i is therefore found at a fixed distance from the
// address point, whichever table the object came from.
class ShadowVtable {
public:
    static constexpr std::size_t kPrefixWords = 64;
    // More slots than any real class has; a scan that gets this far has run
    // into something else.
    static constexpr std::size_t kMaxSlots = 8192;

    struct Extent {
        std::size_t prefix = 0;  // words before the address point that can be read
        std::size_t slots = 0;   // entries that point at code
    };

    // How much of the table at this address point can be copied: the slots
    // are the run of entries that point into executable memory.
    static std::optional<Extent> measure(const MemoryMap& map, void* const* addressPoint);

    ShadowVtable(void* const* original, const Extent& extent);

    void* const* addressPoint() const { return words_.get() + extent_.slots + kPrefixWords; }
    std::size_t slots() const { return extent_.slots; }

    void setEntry(std::size_t index, void* function) { entries()[index] = function; }
    void* entry(std::size_t index) const { return addressPoint()[index]; }
    void setChain(std::size_t index, Chain* chain) { words_[extent_.slots - 1 - index] = chain; }
    Chain* chain(std::size_t index) const {
        return static_cast<Chain*>(words_[extent_.slots - 1 - index]);
    }

    // What a thunk does with the virtual-table pointer it finds in its object.
    static Chain* chainOf(void* const* addressPoint, std::size_t index) {
        return static_cast<Chain*>(
            addressPoint[-static_cast<std::ptrdiff_t>(kPrefixWords + 1 + index)]);
    }

private:
    void** entries() { return words_.get() + extent_.slots + kPrefixWords; }

    Extent extent_;
    std::unique_ptr<void*[]> words_;
};

}  // namespace travik::hook::detail
