#include "hook/ProcessMemory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <cstring>

namespace travik::hook {

#ifdef _WIN32
namespace {

// The loader tells registered callbacks of every DLL it maps or unmaps
// (LdrRegisterDllNotification, exported by ntdll since Vista and by Wine);
// the counts stand in for glibc's dlpi_adds and dlpi_subs.
struct DllEvents {
    volatile LONG loads = 0;
    volatile LONG unloads = 0;
    bool watching = false;
    PVOID cookie = nullptr;

    // The callback lives in this module: the loader must forget it before
    // the module is unmapped, or the next DLL mapped or unmapped in the
    // process (another plug-in, the server's own at shutdown) calls into
    // freed memory.
    ~DllEvents() {
        if (!watching)
            return;
        using Unregister = LONG(NTAPI*)(PVOID cookie);
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        const auto unregisterFn =
            ntdll ? reinterpret_cast<Unregister>(reinterpret_cast<void (*)()>(
                        ::GetProcAddress(ntdll, "LdrUnregisterDllNotification")))
                  : nullptr;
        if (unregisterFn)
            unregisterFn(cookie);
    }
};

DllEvents& dllEvents();

VOID CALLBACK onDllEvent(ULONG reason, const void*, PVOID) {
    constexpr ULONG kLoaded = 1;  // LDR_DLL_NOTIFICATION_REASON_LOADED
    ::InterlockedIncrement(reason == kLoaded ? &dllEvents().loads : &dllEvents().unloads);
}

DllEvents& dllEvents() {
    // Registered in place: the registration is undone by this object's
    // destructor, at the module's unload.
    static DllEvents events;
    static const bool registered = [] {
        using Callback = VOID(CALLBACK*)(ULONG reason, const void* data, PVOID context);
        using Register =
            LONG(NTAPI*)(ULONG flags, Callback callback, PVOID context, PVOID * cookie);
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        const auto registerFn = ntdll ? reinterpret_cast<Register>(reinterpret_cast<void (*)()>(
                                            ::GetProcAddress(ntdll, "LdrRegisterDllNotification")))
                                      : nullptr;
        events.watching = registerFn && registerFn(0, onDllEvent, nullptr, &events.cookie) >= 0;
        return events.watching;
    }();
    (void)registered;
    return events;
}

}  // namespace

ProcessMemory::LoadCount ProcessMemory::loadCount() {
    DllEvents& events = dllEvents();
    if (!events.watching) {
        // Without the loader's word every look is a fresh one.
        static unsigned long long reads = 0;
        return LoadCount{++reads, 0};
    }
    return LoadCount{static_cast<unsigned long long>(events.loads),
                     static_cast<unsigned long long>(events.unloads)};
}
#else
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
#endif

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
#ifdef _WIN32
    MemoryMap::Region writable = *region;
    writable.write = true;
    DWORD before = 0;
    if (!::VirtualProtect(where, sizeof value, static_cast<DWORD>(writable.protection()),
                          &before)) {
        return false;
    }
    std::memcpy(where, &value, sizeof value);
    // The store is done either way (see below).
    ::VirtualProtect(where, sizeof value, before, &before);
#else
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    void* page = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(where) & ~(pageSize - 1));
    if (::mprotect(page, pageSize, region->protection() | PROT_WRITE) != 0) {
        return false;
    }
    std::memcpy(where, &value, sizeof value);
    // The store is done either way; a failure to put the protection back
    // leaves the page writable, which is not worth undoing the store for.
    ::mprotect(page, pageSize, region->protection());
#endif
    return true;
}

}  // namespace travik::hook
