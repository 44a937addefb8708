#include "hook/MemoryMap.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <charconv>
#include <string>

namespace travik::hook {

namespace {

#ifndef _WIN32
std::string readFile(const char* path) {
    std::string text;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return text;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}
#endif

bool parseHex(std::string_view text, std::uintptr_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

// "begin-end perms offset device inode [path]"
std::optional<MemoryMap::Region> parseLine(std::string_view line) {
    const std::size_t dash = line.find('-');
    const std::size_t space = line.find(' ');
    if (dash == std::string_view::npos || space == std::string_view::npos || dash > space ||
        line.size() < space + 4) {
        return std::nullopt;
    }
    MemoryMap::Region region;
    if (!parseHex(line.substr(0, dash), region.begin) ||
        !parseHex(line.substr(dash + 1, space - dash - 1), region.end) ||
        region.end <= region.begin) {
        return std::nullopt;
    }
    const std::string_view perms = line.substr(space + 1, 3);
    region.read = perms[0] == 'r';
    region.write = perms[1] == 'w';
    region.exec = perms[2] == 'x';
    return region;
}

}  // namespace

#ifdef _WIN32
namespace {

// Windows has no write-only or execute-only-with-write pages to speak of:
// every combination the map can hold has one PAGE_* value.
int pageProtection(bool read, bool write, bool exec) {
    if (exec) {
        return write ? PAGE_EXECUTE_READWRITE : read ? PAGE_EXECUTE_READ : PAGE_EXECUTE;
    }
    return write ? PAGE_READWRITE : read ? PAGE_READONLY : PAGE_NOACCESS;
}

MemoryMap::Region regionOf(const MEMORY_BASIC_INFORMATION& info) {
    MemoryMap::Region region;
    region.begin = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    region.end = region.begin + info.RegionSize;
    const DWORD access = info.Protect & 0xff;  // without PAGE_GUARD and the cache bits
    const bool guarded = (info.Protect & PAGE_GUARD) != 0;
    region.exec = !guarded && (access & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                                         PAGE_EXECUTE_WRITECOPY)) != 0;
    region.read = !guarded && (access & ~(PAGE_NOACCESS | PAGE_EXECUTE)) != 0;
    region.write = !guarded && (access & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                                          PAGE_EXECUTE_WRITECOPY)) != 0;
    return region;
}

}  // namespace

int MemoryMap::Region::protection() const {
    return pageProtection(read, write, exec);
}

MemoryMap MemoryMap::current() {
    MemoryMap map;
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    auto at = reinterpret_cast<std::uintptr_t>(system.lpMinimumApplicationAddress);
    const auto last = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION info;
    while (at < last &&
           ::VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == sizeof info) {
        const auto next = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) {
            break;
        }
        if (info.State == MEM_COMMIT) {
            map.regions_.push_back(regionOf(info));
        }
        at = next;
    }
    return map;  // VirtualQuery walks upwards: already sorted
}
#else
int MemoryMap::Region::protection() const {
    return (read ? PROT_READ : 0) | (write ? PROT_WRITE : 0) | (exec ? PROT_EXEC : 0);
}

MemoryMap MemoryMap::current() {
    return parse(readFile("/proc/self/maps"));
}
#endif

MemoryMap MemoryMap::parse(std::string_view text) {
    MemoryMap map;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (auto region = parseLine(line)) {
            map.regions_.push_back(*region);
        }
    }
    std::sort(map.regions_.begin(), map.regions_.end(),
              [](const Region& a, const Region& b) { return a.begin < b.begin; });
    return map;
}

const MemoryMap::Region* MemoryMap::find(const void* address) const {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    auto it = std::upper_bound(regions_.begin(), regions_.end(), at,
                               [](std::uintptr_t a, const Region& r) { return a < r.begin; });
    if (it == regions_.begin()) {
        return nullptr;
    }
    --it;
    return at < it->end ? &*it : nullptr;
}

bool MemoryMap::executable(const void* address) const {
    const Region* region = find(address);
    return region != nullptr && region->exec;
}

std::optional<MemoryMap::Span> MemoryMap::readableSpan(const void* address) const {
    const Region* region = find(address);
    if (region == nullptr || !region->read) {
        return std::nullopt;
    }
    const std::size_t at = static_cast<std::size_t>(region - regions_.data());
    std::size_t first = at;
    while (first > 0 && regions_[first - 1].read &&
           regions_[first - 1].end == regions_[first].begin) {
        --first;
    }
    std::size_t last = at;
    while (last + 1 < regions_.size() && regions_[last + 1].read &&
           regions_[last + 1].begin == regions_[last].end) {
        ++last;
    }
    return Span{regions_[first].begin, regions_[last].end};
}

}  // namespace travik::hook
