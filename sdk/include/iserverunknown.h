// The server-side root of an entity: reaches its networkable part and the
// game's own entity object.
#pragma once

#include <ihandleentity.h>

class CBaseEntity;
class IServerNetworkable;

class IServerUnknown : public IHandleEntity {
public:
    // Slots after IHandleEntity's:
    //  4 GetNetworkable
    //  5 GetBaseEntity
    virtual IServerNetworkable* GetNetworkable() = 0;
    virtual CBaseEntity* GetBaseEntity() = 0;
};
