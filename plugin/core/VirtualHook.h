#pragma once

#include "hook/Hook.h"

// A hook on one virtual function of one host or game object, calling a
// member of its owner before (Pre) or after (Post) the object's own
// function. It remembers what it was added with, so it is removed with the
// same arguments, and is in place at most once.
template <auto Method, class Owner>
class VirtualHook {
public:
    using Point = travik::hook::Virtual<Method>;
    using Class = travik::hook::ClassOf<Point>;
    using Call = travik::hook::CallFor<Method>;
    using Handler = travik::hook::MemberOf<Point, Owner>;

    VirtualHook(travik::hook::Phase phase, Owner* owner, Handler handler)
        : m_Phase(phase), m_Owner(owner), m_Handler(handler) {}

    // False for a null object, a hook that could not be added, or one that
    // is in place already.
    bool Install(Class* object) {
        if (m_Object || !object || !travik::hook::add<Point>(object, m_Phase, m_Owner, m_Handler)) {
            return false;
        }
        m_Object = object;
        return true;
    }

    void Remove() {
        if (m_Object) {
            travik::hook::remove<Point>(m_Object, m_Phase, m_Owner, m_Handler);
            m_Object = nullptr;
        }
    }

    // For an object whose memory is gone (its module unloaded): the hook is
    // dropped without a look at the object.
    void Forget() {
        if (m_Object) {
            travik::hook::forget<Point>(m_Object);
            m_Object = nullptr;
        }
    }

    bool IsInstalled() const { return m_Object != nullptr; }
    Class* Object() const { return m_Object; }

private:
    travik::hook::Phase m_Phase;
    Owner* m_Owner;
    Handler m_Handler;
    Class* m_Object = nullptr;
};
