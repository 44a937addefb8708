// The game's entity services ("ServerGameEnts001"): the object the engine
// and plug-ins hold from start-up, answering through the game machinery's
// CServerGameEnts once the game library is initialised.
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
