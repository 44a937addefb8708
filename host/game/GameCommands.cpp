// The game library's console commands: chat (say, say_team) and the entity
// commands ent_create and ent_fire.
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <strings.h>

#include <cstring>
#include <memory>
#include <vector>

#include "game/Game.h"

CON_COMMAND(say, "Display player message") {
    Game::Get().Say(args.ArgS(), false);
}

CON_COMMAND(say_team, "Display player message to team") {
    Game::Get().Say(args.ArgS(), true);
}

CON_COMMAND_F(ent_create, "Creates an entity of the given type where the player is looking.",
              FCVAR_CHEAT) {
    cstrike::EntityList* entities = Game::Get().Entities();
    if (args.ArgC() < 2) {
        Msg("Usage: ent_create <entity name>\n");
        return;
    }
    if (!entities || !entities->Add(std::make_unique<CBaseEntity>(args[1])))
        Msg("ent_create: no free edict for %s\n", args[1]);
}

CON_COMMAND_F(ent_fire, "Usage:\nent_fire <target> [action] [value] [delay]", FCVAR_CHEAT) {
    cstrike::EntityList* entities = Game::Get().Entities();
    if (args.ArgC() < 2) {
        Msg("Usage:\nent_fire <target> [action] [value] [delay]\n");
        return;
    }
    // Only the Kill input has an effect yet: the targets (never players) go.
    if (!entities || strcasecmp(args[2], "kill") != 0)
        return;
    std::vector<CBaseEntity*> targets;
    entities->ForEach([&](CBaseEntity& entity) {
        if (!entity.IsPlayer() && std::strcmp(entity.GetClassname(), args[1]) == 0)
            targets.push_back(&entity);
    });
    for (CBaseEntity* target : targets)
        entities->Remove(target);
}
