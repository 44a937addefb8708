#pragma once

#include <cstddef>

// How a member function is called, and so how the layer's thunks and member
// handlers must be declared: on 32-bit Windows `this` travels in ECX and the
// callee pops its arguments (thiscall), which a plain function does not do.
// Elsewhere a member function is called like a plain function whose first
// parameter is `this`.
#if defined(_WIN32) && defined(__i386__)
#define TRAVIK_HOOK_THISCALL __attribute__((thiscall))
#else
#define TRAVIK_HOOK_THISCALL
#endif

namespace travik::hook {

// What a handler answers. The highest answer of all handlers of one call wins.
enum class Result : int {
    Ignored = 0,    // nothing done
    Handled = 1,    // something done, the call goes on as usual
    Override = 2,   // the original still runs, but the call returns the handler's value
    Supersede = 3,  // the original does not run; the call returns the handler's value
};

// When a handler runs: before the original function or after it.
enum class Phase : unsigned char { Pre, Post };
inline constexpr Phase Pre = Phase::Pre;
inline constexpr Phase Post = Phase::Post;

// Where a virtual function sits, seen from the object a hook is added on.
struct Location {
    // From the object to the subobject whose virtual table holds the function;
    // that subobject is the `this` the function receives.
    std::ptrdiff_t thisOffset = 0;
    // From that subobject to its virtual-table pointer.
    std::ptrdiff_t vtableOffset = 0;
    // The function's slot in that virtual table.
    std::size_t index = 0;
};

}  // namespace travik::hook
