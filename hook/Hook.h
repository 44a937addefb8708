#pragma once

// Hooks on virtual functions of single objects.
//
//   struct Voice { virtual bool SetClientListening(int, int, bool) = 0; };
//
//   void Deadvoice::OnListen(hook::CallFor<&Voice::SetClientListening>& call,
//                            int receiver, int sender, bool listen) {
//       if (!listen && sameTeam(receiver, sender)) {
//           call.recall(receiver, sender, true);
//       }
//   }
//
//   hook::add<&Voice::SetClientListening>(voice, hook::Pre, this, &Deadvoice::OnListen);
//   hook::remove<&Voice::SetClientListening>(voice, hook::Pre, this, &Deadvoice::OnListen);
//
// See hook/README.md for the rules and the platform assumptions.

#include <cstddef>
#include <cstring>
#include <utility>

#include "hook/Call.h"
#include "hook/HookRegistry.h"
#include "hook/HookTypes.h"
#include "hook/MemberFunction.h"

namespace travik::hook {

// A virtual function named by its member pointer: hook::Virtual<&Class::Function>.
template <auto Method>
struct Virtual {
    using Class = typename detail::MemberFunction<decltype(Method)>::Class;
    using Signature = typename detail::MemberFunction<decltype(Method)>::Signature;

    // A member pointer's table pointer is at the start of its subobject.
    static constexpr std::ptrdiff_t vtableOffset = 0;
    // Filled from the member pointer by the first add; the thunks read it.
    static inline std::size_t index = 0;
    static inline std::ptrdiff_t thisOffset = 0;

    static Location location() { return {thisOffset, vtableOffset, index}; }
    static bool resolve() {
        if (!resolved_) {
            const auto found = detail::locateVirtual(Method);
            if (!found) {
                return false;  // not a virtual function
            }
            index = found->index;
            thisOffset = found->thisOffset;
            resolved_ = true;
        }
        return true;
    }

private:
    static inline bool resolved_ = false;
};

// A virtual function that the caller's headers do not declare, named by its
// slot in the virtual table. Class is the type handed to handlers as
// self() (it may be incomplete); Signature is R(Args...) without `this`.
// ThisOffset leads from the object to the subobject whose table holds the
// slot, VtableOffset from that subobject to its table pointer.
template <class C, class Signature_, std::size_t Index, std::ptrdiff_t ThisOffset = 0,
          std::ptrdiff_t VtableOffset = 0>
struct Manual {
    using Class = C;
    using Signature = Signature_;
    static constexpr std::ptrdiff_t vtableOffset = VtableOffset;
    static constexpr std::size_t index = Index;
    static constexpr std::ptrdiff_t thisOffset = ThisOffset;

    static constexpr Location location() { return {thisOffset, vtableOffset, index}; }
    static bool resolve() { return true; }
};

namespace detail {

// An object pointer with its type and constness erased.
inline void* address(const void* object) {
    return const_cast<void*>(object);
}

// One address per type: hooks on one slot must share their call type.
template <class T>
inline const char typeTag = 0;

// Turns handlers into entries. It depends on the call type only, so that
// every hook point of one slot makes equal entries.
template <class CallType, class... Args>
struct Handlers {
    using Handler = void (*)(CallType&, Args...);
    template <class H>
    using Member = void (H::*)(CallType&, Args...);

    // Calls a free handler, which rides in the entry's target.
    static void TRAVIK_HOOK_THISCALL callFunction(void* target, CallType& call, Args... args) {
        reinterpret_cast<Handler>(target)(call, std::forward<Args>(args)...);
    }

    static Entry entry(Handler handler) {
        return {reinterpret_cast<void (*)()>(&callFunction), reinterpret_cast<void*>(handler)};
    }

    // A member handler is bound when added: a virtual one to the override
    // its object has then.
    template <class H>
    static Entry entry(H* owner, Member<H> handler) {
        const BoundMember bound = bindMember(owner, handler);
        return {bound.code, bound.self};
    }
};

template <class Point, class R, class... Args>
struct Binding<Point, R(Args...)> {
    using Class = typename Point::Class;
    using CallType = Call<Class, R, Args...>;
    using Handler = void (*)(CallType&, Args...);
    template <class H>
    using Member = void (H::*)(CallType&, Args...);

    // Sits in the hooked slot of the shadow table. Itanium passes `this`
    // first, like the first parameter of a plain function.
    static R TRAVIK_HOOK_THISCALL thunk(void* self, Args... args) {
        void* const* table;
        std::memcpy(&table, static_cast<char*>(self) + Point::vtableOffset, sizeof table);
        Chain& chain = *ShadowVtable::chainOf(table, Point::index);
        CallScope scope;
        CallType call(chain, self, chain.pre.size(), chain.post.size());
        return call.run(0, pass<Args>(args)...);
    }

    static Entry entry(Handler handler) { return Handlers<CallType, Args...>::entry(handler); }
    template <class H>
    static Entry entry(H* owner, Member<H> handler) {
        return Handlers<CallType, Args...>::entry(owner, handler);
    }

    static Request request(Class* object, Phase phase) {
        Request made;
        made.object = Point::resolve() ? address(object) : nullptr;
        made.location = Point::location();
        made.signature = &typeTag<CallType>;
        made.thunk = reinterpret_cast<void*>(&thunk);
        made.phase = phase;
        return made;
    }

    // Adds or removes, as `edit` says.
    using Edit = bool (HookRegistry::*)(const Request&, const Entry&);
    static bool edit(Edit edit, Class* object, Phase phase, Handler handler) {
        return handler != nullptr &&
               (HookRegistry::instance().*edit)(request(object, phase), entry(handler));
    }
    template <class H>
    static bool edit(Edit edit, Class* object, Phase phase, H* owner, Member<H> handler) {
        return owner != nullptr && handler != nullptr &&
               (HookRegistry::instance().*edit)(request(object, phase), entry(owner, handler));
    }

    static R callOriginal(Class* object, Args... args) {
        using Original = R(TRAVIK_HOOK_THISCALL*)(void*, Args...);
        void* function = Point::resolve()
                             ? HookRegistry::instance().original(address(object), Point::location())
                             : nullptr;
        char* self = static_cast<char*>(address(object));
        return reinterpret_cast<Original>(function)(self + Point::thisOffset, pass<Args>(args)...);
    }
};

template <class Point>
using BindingOf = Binding<Point, typename Point::Signature>;

}  // namespace detail

template <class Point>
using ClassOf = typename Point::Class;
// The context type of handlers of a hook point, e.g. CallFor<&Voice::SetClientListening>.
template <auto Method>
using CallFor = typename detail::BindingOf<Virtual<Method>>::CallType;
template <class Point>
using CallOf = typename detail::BindingOf<Point>::CallType;
// Handlers: void(CallOf<Point>&, Args...) as a function or a member of H.
template <class Point>
using HandlerOf = typename detail::BindingOf<Point>::Handler;
template <class Point, class H>
using MemberOf = typename detail::BindingOf<Point>::template Member<H>;

// Adds a handler to one function of one object, after those it already has
// in the same phase. False when the object or slot cannot be hooked, or when
// this very handler is already there.
template <class Point>
bool add(ClassOf<Point>* object, Phase phase, HandlerOf<Point> handler) {
    return detail::BindingOf<Point>::edit(&detail::HookRegistry::add, object, phase, handler);
}
template <class Point, class H>
bool add(ClassOf<Point>* object, Phase phase, H* owner, MemberOf<Point, H> handler) {
    return detail::BindingOf<Point>::edit(&detail::HookRegistry::add, object, phase, owner,
                                          handler);
}

// Removes what add added with the same arguments. Removing the last hook of
// an object puts its own virtual-table pointer back.
template <class Point>
bool remove(ClassOf<Point>* object, Phase phase, HandlerOf<Point> handler) {
    return detail::BindingOf<Point>::edit(&detail::HookRegistry::remove, object, phase, handler);
}
template <class Point, class H>
bool remove(ClassOf<Point>* object, Phase phase, H* owner, MemberOf<Point, H> handler) {
    return detail::BindingOf<Point>::edit(&detail::HookRegistry::remove, object, phase, owner,
                                          handler);
}

// Calls the function on the object as if it had no hooks. The function must
// exist: a virtual one, or a slot inside the object's table.
template <class Point, class... A>
decltype(auto) callOriginal(ClassOf<Point>* object, A&&... args) {
    return detail::BindingOf<Point>::callOriginal(object, std::forward<A>(args)...);
}

// Drops every hook of an object whose memory is gone (its module unloaded,
// say), touching nothing at its address. Any hooked function of its class
// names it. False when it carried no hooks.
template <class Point>
bool forget(ClassOf<Point>* object) {
    return Point::resolve() &&
           detail::HookRegistry::instance().forget(detail::address(object), Point::location());
}

// Live hooks, pre and post, on one function of one object.
template <class Point>
std::size_t count(ClassOf<Point>* object) {
    return Point::resolve()
               ? detail::HookRegistry::instance().count(detail::address(object), Point::location())
               : 0;
}

// The same, naming a declared virtual function by its member pointer.
template <auto Method>
bool add(ClassOf<Virtual<Method>>* object, Phase phase, HandlerOf<Virtual<Method>> handler) {
    return add<Virtual<Method>>(object, phase, handler);
}
template <auto Method, class H>
bool add(ClassOf<Virtual<Method>>* object, Phase phase, H* owner,
         MemberOf<Virtual<Method>, H> handler) {
    return add<Virtual<Method>, H>(object, phase, owner, handler);
}
template <auto Method>
bool remove(ClassOf<Virtual<Method>>* object, Phase phase, HandlerOf<Virtual<Method>> handler) {
    return remove<Virtual<Method>>(object, phase, handler);
}
template <auto Method, class H>
bool remove(ClassOf<Virtual<Method>>* object, Phase phase, H* owner,
            MemberOf<Virtual<Method>, H> handler) {
    return remove<Virtual<Method>, H>(object, phase, owner, handler);
}
template <auto Method, class... A>
decltype(auto) callOriginal(ClassOf<Virtual<Method>>* object, A&&... args) {
    return callOriginal<Virtual<Method>>(object, std::forward<A>(args)...);
}
template <auto Method>
bool forget(ClassOf<Virtual<Method>>* object) {
    return forget<Virtual<Method>>(object);
}
template <auto Method>
std::size_t count(ClassOf<Virtual<Method>>* object) {
    return count<Virtual<Method>>(object);
}

// Objects that carry hooks now, over all functions.
inline std::size_t hookedObjects() {
    return detail::HookRegistry::instance().hookedObjects();
}

}  // namespace travik::hook
