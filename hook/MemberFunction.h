#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <type_traits>

#include "hook/HookTypes.h"

namespace travik::hook::detail {

// Splits a pointer to member function into its class and signature.
template <class M>
struct MemberFunction;

template <class C, class R, class... A>
struct MemberFunction<R (C::*)(A...)> {
    using Class = C;
    using Signature = R(A...);
};
template <class C, class R, class... A>
struct MemberFunction<R (C::*)(A...) const> {
    using Class = const C;
    using Signature = R(A...);
};
template <class C, class R, class... A>
struct MemberFunction<R (C::*)(A...) noexcept> {
    using Class = C;
    using Signature = R(A...);
};
template <class C, class R, class... A>
struct MemberFunction<R (C::*)(A...) const noexcept> {
    using Class = const C;
    using Signature = R(A...);
};

// Where a pointer to a virtual member function points, decoded after the
// Itanium C++ ABI: two words, {ptr, adj}. On x86 a virtual function has ptr =
// 1 + its byte offset in the virtual table; on ARM the flag is the low bit of
// adj (which holds twice the adjustment) and ptr is the byte offset. adj is
// the this-adjustment applied before the virtual-table pointer is read. A
// pointer to a non-virtual function gives nothing.
struct MemberPointer {
    bool isVirtual = false;
    std::ptrdiff_t address = 0;  // the function, or its byte offset in the table
    std::ptrdiff_t adjust = 0;   // added to the object pointer first
};

template <class M>
MemberPointer decodeMember(M method) {
    struct Raw {
        std::ptrdiff_t ptr;
        std::ptrdiff_t adj;
    };
    static_assert(sizeof(M) == sizeof(Raw), "pointers to member functions are not Itanium-shaped");
    Raw raw;
    std::memcpy(&raw, &method, sizeof raw);
#if defined(__arm__) || defined(__aarch64__)
    return {(raw.adj & 1) != 0, raw.ptr, raw.adj >> 1};
#else
    const bool isVirtual = (raw.ptr & 1) != 0;
    return {isVirtual, isVirtual ? raw.ptr - 1 : raw.ptr, raw.adj};
#endif
}

template <class M>
std::optional<Location> locateVirtual(M method) {
    const MemberPointer member = decodeMember(method);
    if (!member.isVirtual || member.address < 0 ||
        member.address % static_cast<std::ptrdiff_t>(sizeof(void*)) != 0) {
        return std::nullopt;
    }
    return Location{member.adjust, 0, static_cast<std::size_t>(member.address) / sizeof(void*)};
}

// The code a call of a pointer to member function on this object would run
// now, and the `this` it would run with.
struct BoundMember {
    void (*code)() = nullptr;
    void* self = nullptr;
};

template <class H, class M>
BoundMember bindMember(H* object, M method) {
    const MemberPointer member = decodeMember(method);
    void* self = const_cast<char*>(reinterpret_cast<const volatile char*>(object)) + member.adjust;
    std::ptrdiff_t code = member.address;
    if constexpr (std::is_polymorphic_v<H>) {
        if (!member.isVirtual) {
            return {reinterpret_cast<void (*)()>(code), self};
        }
        const char* table;
        std::memcpy(&table, self, sizeof table);
        std::memcpy(&code, table + member.address, sizeof code);
    }
    return {reinterpret_cast<void (*)()>(code), self};
}

}  // namespace travik::hook::detail
