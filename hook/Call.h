#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "hook/Chain.h"
#include "hook/HookTypes.h"

namespace travik::hook {

namespace detail {

struct Nothing {};

// How arguments travel along a chain: by reference to the hooked call's own
// parameters, so no handler pays for copies it does not ask for.
template <class A>
using Pass = std::conditional_t<std::is_rvalue_reference_v<A>, A, A&>;
template <class A>
Pass<A> pass(std::remove_reference_t<A>& arg) {
    return static_cast<Pass<A>>(arg);
}

// How a return value is kept while the chain runs.
template <class R>
using Stored =
    std::conditional_t<std::is_void_v<R>, Nothing,
                       std::conditional_t<std::is_reference_v<R>,
                                          std::reference_wrapper<std::remove_reference_t<R>>, R>>;

// The parameter type through which a handler hands over a return value.
template <class R>
using ValueParam = std::conditional_t<std::is_void_v<R>, Nothing, R>;

template <class Point, class Signature>
struct Binding;

}  // namespace detail

// What a handler sees of the call it is part of. C is the hooked class, R the
// function's return type and Args its parameters. It lives on the stack of
// the hooked call; handlers get it by reference and must not keep it.
template <class C, class R, class... Args>
class Call {
public:
    using Class = C;
    using Return = R;
    using Value = detail::Stored<R>;

    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    // The object the call was made on.
    C* self() const { return reinterpret_cast<C*>(static_cast<char*>(sub_) - chain_.thisOffset); }
    Phase phase() const { return phase_; }
    // The highest result any handler of this call has answered so far.
    Result result() const { return status_; }

    void handled() { raise(Result::Handled); }
    // Answer override (the original still runs) or supersede (it does not)
    // with the value the call returns. A value replaces an earlier one unless
    // that came with a higher result.
    void override(detail::ValueParam<R> value) requires(!std::is_void_v<R>) {
        set(Result::Override, std::forward<detail::ValueParam<R>>(value));
    }
    void supersede(detail::ValueParam<R> value) requires(!std::is_void_v<R>) {
        set(Result::Supersede, std::forward<detail::ValueParam<R>>(value));
    }
    void override() requires(std::is_void_v<R>) { raise(Result::Override); }
    void supersede() requires(std::is_void_v<R>) { raise(Result::Supersede); }

    // In a post-hook: what the original returned, or the superseding value
    // when it did not run. Null in a pre-hook.
    const Value* originalResult() const requires(!std::is_void_v<R>) {
        if (phase_ != Phase::Post) {
            return nullptr;
        }
        return original_ ? &*original_ : overrideValue();
    }
    // The value an override or supersede has set so far, or null.
    const Value* overrideResult() const requires(!std::is_void_v<R>) { return overrideValue(); }

    // From a pre-hook: runs the rest of the call with new arguments (the
    // handlers after this one, the original unless a handler supersedes, and
    // the post-hooks), keeping what the handlers before answered, and
    // returns its result. This call then ends with that result, as if this
    // handler had superseded with it; the handler may still answer another
    // value. Elsewhere (in a post-hook, or a second time) nothing runs and
    // the current result comes back.
    R recall(Args... args) {
        if (phase_ != Phase::Pre || recalled_) {
            return current();
        }
        Call inner(chain_, sub_, preEnd_, postEnd_);
        inner.status_ = status_;
        inner.override_ = override_;
        recalled_ = true;
        if constexpr (std::is_void_v<R>) {
            inner.run(next_, detail::pass<Args>(args)...);
            raise(Result::Supersede);
        } else {
            R value = inner.run(next_, detail::pass<Args>(args)...);
            set(Result::Supersede, static_cast<R>(value));
            return value;
        }
    }

    // Calls the function the hooks replaced, bypassing every hook.
    R callOriginal(Args... args) const { return invokeOriginal(detail::pass<Args>(args)...); }

private:
    template <class, class>
    friend struct detail::Binding;
    // A handler's code: a member handler's function, `this` first, or the
    // caller of a free handler. Itanium calls both the same way.
    using Code = void(TRAVIK_HOOK_THISCALL*)(void*, Call&, Args...);
    using Original = R(TRAVIK_HOOK_THISCALL*)(void*, Args...);

    Call(detail::Chain& chain, void* sub, std::size_t preEnd, std::size_t postEnd)
        : chain_(chain), sub_(sub), preEnd_(preEnd), postEnd_(postEnd) {}

    // Hooks added while the call runs take effect from the next call: the
    // chain's lengths are taken when it starts, and entries are only marked,
    // never dropped, while any call runs.
    R run(std::size_t firstPre, detail::Pass<Args>... args) {
        for (std::size_t i = firstPre; i < preEnd_; ++i) {
            next_ = i + 1;
            invoke(chain_.pre[i], detail::pass<Args>(args)...);
            if (recalled_) {
                return finish();
            }
        }
        if (status_ != Result::Supersede) {
            runOriginal(detail::pass<Args>(args)...);
        }
        phase_ = Phase::Post;
        for (std::size_t i = 0; i < postEnd_; ++i) {
            invoke(chain_.post[i], detail::pass<Args>(args)...);
        }
        return finish();
    }

    void invoke(const detail::Entry& entry, detail::Pass<Args>... args) {
        if (!entry.removed()) {
            reinterpret_cast<Code>(entry.code)(entry.target, *this, detail::pass<Args>(args)...);
        }
    }

    R invokeOriginal(detail::Pass<Args>... args) const {
        return reinterpret_cast<Original>(chain_.original)(sub_, detail::pass<Args>(args)...);
    }

    void runOriginal(detail::Pass<Args>... args) {
        if constexpr (std::is_void_v<R>) {
            invokeOriginal(detail::pass<Args>(args)...);
        } else {
            original_.emplace(invokeOriginal(detail::pass<Args>(args)...));
        }
    }

    void raise(Result result) {
        if (result > status_) {
            status_ = result;
        }
    }

    void set(Result result, detail::ValueParam<R> value) {
        if (result >= status_) {
            override_.emplace(std::forward<detail::ValueParam<R>>(value));
        }
        raise(result);
    }

    const Value* overrideValue() const { return override_ ? &*override_ : nullptr; }

    static R unwrap(Value& value) {
        if constexpr (std::is_reference_v<R>) {
            return value.get();
        } else {
            return std::move(value);
        }
    }

    R finish() {
        if constexpr (!std::is_void_v<R>) {
            return unwrap(status_ >= Result::Override ? *override_ : *original_);
        }
    }

    R current() {
        if constexpr (!std::is_void_v<R>) {
            Value& value = status_ >= Result::Override ? *override_ : *original_;
            if constexpr (std::is_reference_v<R>) {
                return value.get();
            } else {
                return value;
            }
        }
    }

    detail::Chain& chain_;
    void* sub_;
    std::size_t preEnd_;
    std::size_t postEnd_;
    std::size_t next_ = 0;
    Phase phase_ = Phase::Pre;
    Result status_ = Result::Ignored;
    bool recalled_ = false;
    std::optional<Value> original_;
    std::optional<Value> override_;
};

}  // namespace travik::hook
