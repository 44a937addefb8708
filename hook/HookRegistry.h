#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "hook/Chain.h"
#include "hook/HookTypes.h"
#include "hook/ProcessMemory.h"
#include "hook/ShadowVtable.h"

namespace travik::hook::detail {

// A hook to add or remove, with its types erased.
struct Request {
    void* object = nullptr;           // as the caller passed it
    Location location;                // of the function, from the object
    const void* signature = nullptr;  // handler and call types; equal for one slot
    void* thunk = nullptr;            // what the slot points at while hooked
    Phase phase = Phase::Pre;
};

// Every hooked object of the process. A hooked object's virtual-table pointer
// points at its own shadow table; the original table is never written, so
// objects of the same class that are not hooked run exactly as before and
// pay nothing. Main thread only.
class HookRegistry {
public:
    static HookRegistry& instance();

    HookRegistry() = default;
    HookRegistry(const HookRegistry&) = delete;
    HookRegistry& operator=(const HookRegistry&) = delete;
    ~HookRegistry();

    bool add(const Request& request, const Entry& entry);
    bool remove(const Request& request, const Entry& entry);
    // The function this slot of this object reaches without hooks, or null.
    void* original(void* object, const Location& location);
    // Drops every hook of an object that no longer exists, reading and
    // writing nothing of it. False when it had none.
    bool forget(void* object, const Location& location);
    // Live hooks, pre and post, on this slot of this object.
    std::size_t count(void* object, const Location& location);
    // Objects that carry hooks now.
    std::size_t hookedObjects() const { return records_.size(); }

    // Drops what removals during calls left behind; runs when no hooked call
    // is running.
    void collect();

private:
    struct Record {
        Record(void** where, void* const* original, const ShadowVtable::Extent& extent)
            : where(where), original(original), shadow(original, extent) {}

        void** where;           // the object's virtual-table pointer
        void* const* original;  // its value before hooking
        ShadowVtable shadow;
        std::vector<std::unique_ptr<Chain>> chains;
    };

    static void** pointerLocation(void* object, const Location& location);
    Record* liveRecord(void** where);
    std::unique_ptr<Record> makeRecord(void** where);
    Chain* chainFor(Record& record, const Request& request);
    void detachChain(Record& record, std::size_t index);
    void unhookObject(void** where);
    void markRemoved(Chain& chain, std::vector<Entry>& list, std::size_t at);
    template <class T>
    void retire(std::unique_ptr<T> dead, std::vector<std::unique_ptr<T>>& graveyard);

    ProcessMemory memory_;
    std::unordered_map<void**, std::unique_ptr<Record>> records_;
    // Kept alive while calls that may still use them run.
    std::vector<std::unique_ptr<Record>> deadRecords_;
    std::vector<std::unique_ptr<Chain>> deadChains_;
    std::vector<Chain*> dirty_;
};

}  // namespace travik::hook::detail
