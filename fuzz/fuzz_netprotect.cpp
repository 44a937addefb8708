// The packet filter in front of the host's socket reads. Input: one byte of
// switches (bit 0 DoS protection, bit 1 hidden player list), then datagrams,
// each a length byte and that many bytes. The host's receive entry is a fake
// that hands them out in order; the filter must pass every datagram it may
// not drop, unchanged and in order, drop every one it must, and leave the
// sender's address length as the caller gave it.
#include <tier0/vcr.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "protection/NetProtect.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

std::vector<std::string> g_datagrams;
size_t g_next = 0;

constexpr int kAddressLength = 16;

int FakeRecv(int, char* buffer, int length, int, sockaddr*, int* fromLength) {
    // Every read, after a dropped one too, gets the caller's address room.
    Check(fromLength && *fromLength == kAddressLength);
    if (g_next == g_datagrams.size()) {
        errno = EWOULDBLOCK;
        return -1;
    }
    const std::string& datagram = g_datagrams[g_next++];
    const int size = std::min(static_cast<int>(datagram.size()), length);
    std::memcpy(buffer, datagram.data(), static_cast<size_t>(size));
    *fromLength = 4;  // a real read shortens it to the address it wrote
    return size;
}

bool MustDrop(const std::string& datagram, bool dosProtect, bool ignoreQueries) {
    if (datagram.empty()) {
        return dosProtect;
    }
    if (datagram.size() <= 5 || datagram.compare(0, 4, "\xFF\xFF\xFF\xFF") != 0) {
        return false;
    }
    return (datagram[4] == 'l' && dosProtect) || (datagram[4] == 'U' && ignoreQueries);
}

NetProtect& Installed() {
    static NetProtect* filter = [] {
        g_pVCR->Hook_recvfrom = FakeRecv;
        auto* installed = new NetProtect;
        installed->EnableHook(true);
        return installed;
    }();
    return *filter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    Check(Installed().IsHooked());
    const bool dosProtect = data[0] & 1;
    const bool ignoreQueries = data[0] & 2;
    NetProtect::SetFilters(dosProtect, ignoreQueries);
    g_datagrams.clear();
    g_next = 0;
    std::vector<std::string> expected;
    for (size_t at = 1; at < size;) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        g_datagrams.emplace_back(reinterpret_cast<const char*>(data) + at + 1, length);
        if (!MustDrop(g_datagrams.back(), dosProtect, ignoreQueries)) {
            expected.push_back(g_datagrams.back());
        }
        at += 1 + length;
    }

    std::vector<std::string> passed;
    char buffer[256];
    // Each call consumes at least one datagram, so this ends.
    for (size_t calls = 0; calls <= g_datagrams.size(); ++calls) {
        const size_t before = g_next;
        int fromLength = kAddressLength;
        const int read = g_pVCR->Hook_recvfrom(0, buffer, sizeof(buffer), 0, nullptr, &fromLength);
        if (read >= 0) {
            passed.emplace_back(buffer, static_cast<size_t>(read));
            continue;
        }
        if (g_next == g_datagrams.size()) {
            break;
        }
        // A long run of dropped datagrams ends the call with "nothing waiting".
        Check(g_next - before == static_cast<size_t>(NetProtect::kMaxDropsPerCall));
        Check(errno == EWOULDBLOCK);
    }
    Check(passed == expected);
    return 0;
}
