// The game's handling of clients ("ServerGameClients003"): the player
// entity made at put-in-server, its settings, and the client commands the
// game answers itself.
#pragma once

#include <eiface.h>

class ServerGameClients final : public IServerGameClients {
public:
    void GetPlayerLimits(int& minPlayers, int& maxPlayers, int& defaultMaxPlayers) const override;
    bool ClientConnect(edict_t* entity, const char* name, const char* address, char* reject,
                       int maxRejectLength) override;
    void ClientActive(edict_t* entity, bool loadGame) override;
    void ClientDisconnect(edict_t* entity) override;
    void ClientPutInServer(edict_t* entity, const char* playerName) override;
    void ClientCommand(edict_t* entity, const CCommand& args) override;
    void SetCommandClient(int index) override;
    void ClientSettingsChanged(edict_t* edict) override;
    void ClientEarPosition(edict_t* entity, Vector* earOrigin) override;
};
