// The game's entity services ("ServerGameEnts001"): edicts and entities
// mapped both ways, and the transmit check.
#pragma once

#include <eiface.h>

class ServerGameEnts final : public IServerGameEnts {
public:
    edict_t* BaseEntityToEdict(CBaseEntity* entity) override;
    CBaseEntity* EdictToBaseEntity(edict_t* edict) override;
    void CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                       int edictCount) override;
    void FreeContainingEntity(edict_t* edict) override;
};
