// The base of every entity the engine keeps a handle to.
#pragma once

#include <tier0/platform.h>

class CBaseHandle;

class IHandleEntity {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 SetRefEHandle
    //  3 GetRefEHandle
    // IServerUnknown adds its own right after these, and the game's entities
    // theirs after IServerUnknown's: on Windows too no destructor slot comes
    // in between (a family, see SDK_FAMILY_DESTRUCTOR_SLOT).
    SDK_FAMILY_DESTRUCTOR_SLOT(IHandleEntity)
    virtual void SetRefEHandle(const CBaseHandle& handle) = 0;
    virtual const CBaseHandle& GetRefEHandle() const = 0;
    SDK_FAMILY_DESTRUCTOR(IHandleEntity)
};
