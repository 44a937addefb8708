// The game's entity services for the engine (IServerGameEnts,
// "ServerGameEnts001"): edict and entity lookups and the transmit decision
// of every snapshot.
#pragma once

#include <eiface.h>

namespace cstrike {

class EntityList;

class CServerGameEnts final : public IServerGameEnts {
public:
    explicit CServerGameEnts(EntityList& entities);

    edict_t* BaseEntityToEdict(CBaseEntity* entity) override;
    CBaseEntity* EdictToBaseEntity(edict_t* edict) override;
    // Sets the bit of every candidate the game has an entity for, unless
    // the entity's edict says never to send it; the game sees the whole map,
    // so nothing is held back for being out of view. Entities flagged to go
    // always also get their bit in the always set.
    void CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                       int edictCount) override;
    // The engine frees an edict: the game lets go of its entity.
    void FreeContainingEntity(edict_t* edict) override;

private:
    EntityList& m_Entities;
};

}  // namespace cstrike
