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
    // IServerUnknown's come right after these; on Windows it holds the
    // destructor that slot 0 calls (see SDK_DESTRUCTOR_SLOT_PURE).
    SDK_DESTRUCTOR_SLOT_PURE(IHandleEntity)
    virtual void SetRefEHandle(const CBaseHandle& handle) = 0;
    virtual const CBaseHandle& GetRefEHandle() const = 0;
    SDK_DESTRUCTOR_PROTECTED(IHandleEntity)
};
