// The server-side root of an entity: reaches its networkable part and the
// game's own entity object.
#pragma once

#include <ihandleentity.h>

class CBaseEntity;
class IServerNetworkable;

class IServerUnknown : public IHandleEntity {
public:
    // Slots after IHandleEntity's (on Windows one lower: 3 and 4):
    //  4 GetNetworkable
    //  5 GetBaseEntity
    // In the Windows build g++'s virtual destructor then takes 5 and 6, so
    // the first virtual function of a class deriving from this one lands at
    // 7, where the Microsoft compiler has it at 5.
    SDK_DESTRUCTOR_SLOT_FILL(IServerUnknown)
    virtual IServerNetworkable* GetNetworkable() = 0;
    virtual CBaseEntity* GetBaseEntity() = 0;
    SDK_DESTRUCTOR_LAST(IServerUnknown)
};
