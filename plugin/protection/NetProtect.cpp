#include "protection/NetProtect.h"

#include <tier0/vcr.h>
#include <tier1/convar.h>

#include <atomic>
#include <cerrno>

#include "core/travik_services.h"

ConVar tk_dosprotect("tk_dosprotect", "1", 0,
                     "Enable/Disable DoS protection (from several known srcds attack methods)",
                     true, 0.0f, true, 1.0f, NetProtect::onTKDOSProtectChange);
ConVar tk_ignoreplayerqueries("tk_ignoreplayerqueries", "0", 0,
                              "Hides servers player list by ignoring player queries", true, 0.0f,
                              true, 1.0f, NetProtect::onTKIngnorePlayerQueriesChange);

namespace {

using RecvFunction = int (*)(int, char*, int, int, sockaddr*, int*);

// Read by the hook on whatever thread the host reads its sockets; written
// only from the main thread.
std::atomic<bool> g_dosProtect{false};
std::atomic<bool> g_ignorePlayerQueries{false};
std::atomic<RecvFunction> g_savedRecv{nullptr};

constexpr int kTypeOffset = 4;
constexpr unsigned char kPrintRequest = 'l';
constexpr unsigned char kPlayerQuery = 'U';

bool IsConnectionless(const char* data) {
    for (int i = 0; i < kTypeOffset; ++i) {
        if (static_cast<unsigned char>(data[i]) != 0xFF) {
            return false;
        }
    }
    return true;
}

// Whether the engine must not see this read's result.
bool ShouldDrop(const char* data, int size) {
    if (size == 0) {
        return g_dosProtect.load(std::memory_order_relaxed);
    }
    // Errors pass through; five bytes are too short to be examined.
    if (size <= kTypeOffset + 1 || !IsConnectionless(data)) {
        return false;
    }
    switch (static_cast<unsigned char>(data[kTypeOffset])) {
        case kPrintRequest:
            return g_dosProtect.load(std::memory_order_relaxed);
        case kPlayerQuery:
            return g_ignorePlayerQueries.load(std::memory_order_relaxed);
        default:
            return false;
    }
}

}  // namespace

int NetProtect::TKRecvHook(int socket, char* buffer, int length, int flags, sockaddr* from,
                           int* fromLength) {
    const RecvFunction recv = g_savedRecv.load(std::memory_order_acquire);
    // Each read may shorten the address length; every read gets the caller's.
    const int fromCapacity = fromLength ? *fromLength : 0;
    for (int dropped = 0; dropped < kMaxDropsPerCall; ++dropped) {
        const int size = recv(socket, buffer, length, flags, from, fromLength);
        if (!ShouldDrop(buffer, size)) {
            return size;
        }
        if (fromLength) {
            *fromLength = fromCapacity;
        }
    }
    errno = EWOULDBLOCK;
    return -1;
}

bool NetProtect::IsDoSProtectEnabled() {
    return g_dosProtect.load(std::memory_order_relaxed);
}

bool NetProtect::IsIgnorePlayerQueriesEnabled() {
    return g_ignorePlayerQueries.load(std::memory_order_relaxed);
}

void NetProtect::SetFilters(bool dosProtect, bool ignorePlayerQueries) {
    g_dosProtect = dosProtect;
    g_ignorePlayerQueries = ignorePlayerQueries;
}

// The hook is wanted while active with a filter on; without it both
// filters are off, so that a later hook starts with what the variables say.
void NetProtect::Configure() {
    const bool active = travik::IsActive();
    if (active) {
        SetFilters(tk_dosprotect.GetBool(), tk_ignoreplayerqueries.GetBool());
    }
    const bool anyFilter = g_dosProtect || g_ignorePlayerQueries;
    if (!active || !anyFilter) {
        SetFilters(false, false);
    }
    if (g_pVCR) {
        hook.Configure(anyFilter, Install, Restore);
    }
}

void NetProtect::EnableHook(bool enable) {
    if (g_pVCR) {
        hook.Follow(enable, Install, Restore);
    }
}

void NetProtect::Unload() {
    if (g_pVCR) {
        hook.Unload(Restore);
    }
}

// The saved entry is in place before the hook can be called.
bool NetProtect::Install() {
    g_savedRecv.store(g_pVCR->Hook_recvfrom, std::memory_order_release);
    g_pVCR->Hook_recvfrom = TKRecvHook;
    return true;
}

// The saved entry stays readable: a read already inside the hook finishes
// through it.
void NetProtect::Restore() {
    g_pVCR->Hook_recvfrom = g_savedRecv.load(std::memory_order_acquire);
}

void NetProtect::onTKDOSProtectChange(IConVar*, const char*, float) {
    travik::getNetProtect()->Configure();
}

void NetProtect::onTKIngnorePlayerQueriesChange(IConVar*, const char*, float) {
    travik::getNetProtect()->Configure();
}
