// The base of every entity the engine keeps a handle to.
#pragma once

class CBaseHandle;

class IHandleEntity {
public:
    // Slots, in order:
    //  0-1 destructor
    //  2 SetRefEHandle
    //  3 GetRefEHandle
    virtual ~IHandleEntity() = default;
    virtual void SetRefEHandle(const CBaseHandle& handle) = 0;
    virtual const CBaseHandle& GetRefEHandle() const = 0;
};
