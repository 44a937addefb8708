#include "game/ServerGameEnts.h"

#include "game/Game.h"

edict_t* ServerGameEnts::BaseEntityToEdict(CBaseEntity* entity) {
    auto* ents = Game::Get().GameEnts();
    return ents ? ents->BaseEntityToEdict(entity) : nullptr;
}

CBaseEntity* ServerGameEnts::EdictToBaseEntity(edict_t* edict) {
    auto* ents = Game::Get().GameEnts();
    return ents ? ents->EdictToBaseEntity(edict) : nullptr;
}

void ServerGameEnts::CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                                   int edictCount) {
    if (auto* ents = Game::Get().GameEnts())
        ents->CheckTransmit(info, edictIndices, edictCount);
}

void ServerGameEnts::FreeContainingEntity(edict_t* edict) {
    if (auto* ents = Game::Get().GameEnts())
        ents->FreeContainingEntity(edict);
}
