#pragma once

#include <cstddef>
#include <vector>

namespace travik::hook::detail {

// One handler of a chain, with its types erased. A call runs `code` with
// `target` as its first argument: a member handler's own function with the
// object's `this`, or a small typed function that calls a free handler. The
// two also tell handlers apart. An entry removed while calls run has no code
// until it is dropped.
struct Entry {
    void (*code)() = nullptr;
    void* target = nullptr;

    bool removed() const { return code == nullptr; }
    bool sameHandler(const Entry& other) const {
        return code == other.code && target == other.target;
    }
};

// The hooks of one virtual-table slot of one object.
struct Chain {
    std::vector<Entry> pre;
    std::vector<Entry> post;
    void* original = nullptr;         // the function the slot held before
    const void* signature = nullptr;  // identifies the handler types the chain takes
    std::ptrdiff_t thisOffset = 0;    // subtracted from `this` to give the hooked object
    bool dirty = false;               // holds removed entries to drop after the calls end

    std::size_t liveCount() const;
    void compact();
};

// Calls of hooked functions that are running now (nested ones count each).
// While any runs, removals only mark entries and freeing waits: a handler may
// remove hooks of the very chain that is calling it.
struct Activity {
    int calls = 0;
    bool collectPending = false;
};
inline Activity gActivity;

// Frees what removals left behind; runs when the outermost call ends.
void collectGarbage();

class CallScope {
public:
    CallScope() { ++gActivity.calls; }
    ~CallScope() {
        if (--gActivity.calls == 0 && gActivity.collectPending) {
            collectGarbage();
        }
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

}  // namespace travik::hook::detail
