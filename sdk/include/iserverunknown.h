// The server-side root of an entity: reaches its networkable part and the
// game's own entity object.
#pragma once

#include <ihandleentity.h>

class CBaseEntity;
class IServerNetworkable;

class IServerUnknown : public IHandleEntity {
public:
    // Slots after IHandleEntity's (on Windows one lower, 3 and 4, and the
    // first virtual function of a class deriving from this one takes 5):
    //  4 GetNetworkable
    //  5 GetBaseEntity
    // An entity class overrides the destructor slot on Windows with
    // SDK_DELETING_DESTRUCTOR.
    virtual IServerNetworkable* GetNetworkable() = 0;
    virtual CBaseEntity* GetBaseEntity() = 0;
    SDK_FAMILY_DESTRUCTOR(IServerUnknown)
};
