// The interfaces the game library's CreateInterface hands out: the
// game-server factory of the engine and of every plug-in.
#include <tier1/interface.h>

#include "game/Game.h"
#include "game/PlayerInfoManager.h"
#include "game/ServerGameClients.h"
#include "game/ServerGameDLL.h"
#include "game/ServerGameEnts.h"
#include "game/SimGame.h"

EXPOSE_SINGLE_INTERFACE(ServerGameDLL, IServerGameDLL, INTERFACEVERSION_SERVERGAMEDLL);
EXPOSE_SINGLE_INTERFACE(ServerGameClients, IServerGameClients, INTERFACEVERSION_SERVERGAMECLIENTS);
EXPOSE_SINGLE_INTERFACE(ServerGameEnts, IServerGameEnts, INTERFACEVERSION_SERVERGAMEENTS);
EXPOSE_SINGLE_INTERFACE(PlayerInfoManager, IPlayerInfoManager, INTERFACEVERSION_PLAYERINFOMANAGER);
EXPOSE_SINGLE_INTERFACE(SimGame, ISimGame, SIMGAME_INTERFACE_VERSION);

namespace {

// The game's own movement object, not a forwarder: hooks on what plug-ins
// receive act on the calls the game makes.
void* CreateGameMovement() {
    return static_cast<IGameMovement*>(&Game::Movement());
}

}  // namespace

EXPOSE_INTERFACE_FN(CreateGameMovement, IGameMovement, INTERFACENAME_GAMEMOVEMENT);
