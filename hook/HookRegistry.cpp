#include "hook/HookRegistry.h"

#include <algorithm>
#include <cstring>

namespace travik::hook::detail {

namespace {

void* const* readPointer(void** where) {
    void* const* value;
    std::memcpy(&value, where, sizeof value);
    return value;
}

std::vector<Entry>& listOf(Chain& chain, Phase phase) {
    return phase == Phase::Pre ? chain.pre : chain.post;
}

std::ptrdiff_t findLive(const std::vector<Entry>& list, const Entry& entry) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].removed() && list[i].sameHandler(entry)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

}  // namespace

std::size_t Chain::liveCount() const {
    auto live = [](const Entry& e) { return !e.removed(); };
    return static_cast<std::size_t>(std::count_if(pre.begin(), pre.end(), live) +
                                    std::count_if(post.begin(), post.end(), live));
}

void Chain::compact() {
    auto removed = [](const Entry& e) { return e.removed(); };
    std::erase_if(pre, removed);
    std::erase_if(post, removed);
    dirty = false;
}

void collectGarbage() {
    HookRegistry::instance().collect();
}

HookRegistry& HookRegistry::instance() {
    static HookRegistry registry;
    return registry;
}

HookRegistry::~HookRegistry() {
    // Objects still hooked at exit keep pointing at their shadow tables, and
    // other static destructors may still call them: leave those tables be.
    for (auto& [where, record] : records_) {
        static_cast<void>(record.release());
    }
}

void** HookRegistry::pointerLocation(void* object, const Location& location) {
    return reinterpret_cast<void**>(static_cast<char*>(object) + location.thisOffset +
                                    location.vtableOffset);
}

HookRegistry::Record* HookRegistry::liveRecord(void** where) {
    auto it = records_.find(where);
    if (it == records_.end()) {
        return nullptr;
    }
    if (readPointer(where) != it->second->shadow.addressPoint()) {
        // The object was destroyed (its destructors reset the pointer) or
        // built anew at this address: its hooks went with it. Nothing is
        // written back into what is now another object.
        auto dead = std::move(it->second);
        records_.erase(it);
        retire(std::move(dead), deadRecords_);
        return nullptr;
    }
    return it->second.get();
}

std::unique_ptr<HookRegistry::Record> HookRegistry::makeRecord(void** where) {
    void* const* original = readPointer(where);
    const auto extent = ShadowVtable::measure(memory_.map(), original);
    if (!extent) {
        return nullptr;
    }
    return std::make_unique<Record>(where, original, *extent);
}

Chain* HookRegistry::chainFor(Record& record, const Request& request) {
    const std::size_t index = request.location.index;
    if (Chain* chain = record.shadow.chain(index)) {
        const bool sameKind = chain->signature == request.signature &&
                              chain->thisOffset == request.location.thisOffset;
        return sameKind ? chain : nullptr;
    }
    auto chain = std::make_unique<Chain>();
    chain->original = record.shadow.entry(index);
    chain->signature = request.signature;
    chain->thisOffset = request.location.thisOffset;
    record.shadow.setChain(index, chain.get());
    record.shadow.setEntry(index, request.thunk);
    record.chains.push_back(std::move(chain));
    return record.chains.back().get();
}

bool HookRegistry::add(const Request& request, const Entry& entry) {
    if (request.object == nullptr) {
        return false;
    }
    void** where = pointerLocation(request.object, request.location);
    Record* record = liveRecord(where);
    std::unique_ptr<Record> fresh;
    if (record == nullptr) {
        fresh = makeRecord(where);
        if (!fresh) {
            return false;
        }
        record = fresh.get();
    }
    if (request.location.index >= record->shadow.slots()) {
        return false;
    }
    Chain* chain = chainFor(*record, request);
    if (chain == nullptr) {
        return false;
    }
    std::vector<Entry>& list = listOf(*chain, request.phase);
    if (findLive(list, entry) >= 0) {
        return false;
    }
    list.push_back(entry);
    if (fresh) {
        // The shadow table is complete before the object is switched to it.
        if (!memory_.writeWord(where, const_cast<void**>(fresh->shadow.addressPoint()))) {
            return false;
        }
        records_.emplace(where, std::move(fresh));
    }
    return true;
}

bool HookRegistry::remove(const Request& request, const Entry& entry) {
    if (request.object == nullptr) {
        return false;
    }
    void** where = pointerLocation(request.object, request.location);
    Record* record = liveRecord(where);
    if (record == nullptr || request.location.index >= record->shadow.slots()) {
        return false;
    }
    Chain* chain = record->shadow.chain(request.location.index);
    if (chain == nullptr || chain->signature != request.signature) {
        return false;
    }
    std::vector<Entry>& list = listOf(*chain, request.phase);
    const std::ptrdiff_t at = findLive(list, entry);
    if (at < 0) {
        return false;
    }
    markRemoved(*chain, list, static_cast<std::size_t>(at));
    if (chain->liveCount() == 0) {
        detachChain(*record, request.location.index);
        if (record->chains.empty()) {
            unhookObject(where);
        }
    }
    return true;
}

void HookRegistry::markRemoved(Chain& chain, std::vector<Entry>& list, std::size_t at) {
    if (gActivity.calls == 0) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
        return;
    }
    list[at].code = nullptr;
    if (!chain.dirty) {
        chain.dirty = true;
        dirty_.push_back(&chain);
    }
    gActivity.collectPending = true;
}

void HookRegistry::detachChain(Record& record, std::size_t index) {
    Chain* chain = record.shadow.chain(index);
    record.shadow.setEntry(index, chain->original);
    record.shadow.setChain(index, nullptr);
    auto it = std::find_if(record.chains.begin(), record.chains.end(),
                           [chain](const auto& owned) { return owned.get() == chain; });
    auto dead = std::move(*it);
    record.chains.erase(it);
    retire(std::move(dead), deadChains_);
}

void HookRegistry::unhookObject(void** where) {
    auto it = records_.find(where);
    if (!memory_.writeWord(where, const_cast<void**>(it->second->original))) {
        // The object still points at the shadow, which now holds only the
        // original entries: keep it for good rather than free it under the
        // object.
        static_cast<void>(it->second.release());
        records_.erase(it);
        return;
    }
    auto dead = std::move(it->second);
    records_.erase(it);
    retire(std::move(dead), deadRecords_);
}

bool HookRegistry::forget(void* object, const Location& location) {
    if (object == nullptr) {
        return false;
    }
    auto it = records_.find(pointerLocation(object, location));
    if (it == records_.end()) {
        return false;
    }
    auto dead = std::move(it->second);
    records_.erase(it);
    retire(std::move(dead), deadRecords_);
    return true;
}

template <class T>
void HookRegistry::retire(std::unique_ptr<T> dead, std::vector<std::unique_ptr<T>>& graveyard) {
    if (gActivity.calls == 0) {
        return;  // nothing can be using it: freed here
    }
    graveyard.push_back(std::move(dead));
    gActivity.collectPending = true;
}

void HookRegistry::collect() {
    for (Chain* chain : dirty_) {
        chain->compact();
    }
    dirty_.clear();
    deadChains_.clear();
    deadRecords_.clear();
    gActivity.collectPending = false;
}

void* HookRegistry::original(void* object, const Location& location) {
    if (object == nullptr) {
        return nullptr;
    }
    void** where = pointerLocation(object, location);
    if (Record* record = liveRecord(where)) {
        if (location.index >= record->shadow.slots()) {
            return nullptr;
        }
        Chain* chain = record->shadow.chain(location.index);
        return chain != nullptr ? chain->original : record->shadow.entry(location.index);
    }
    return readPointer(where)[location.index];
}

std::size_t HookRegistry::count(void* object, const Location& location) {
    if (object == nullptr) {
        return 0;
    }
    Record* record = liveRecord(pointerLocation(object, location));
    if (record == nullptr || location.index >= record->shadow.slots()) {
        return 0;
    }
    const Chain* chain = record->shadow.chain(location.index);
    return chain != nullptr ? chain->liveCount() : 0;
}

}  // namespace travik::hook::detail
