// The game library's state: the engine interfaces it was given, its players
// and other entities, the command client, and the game rules that exist so
// far (teams, spawning and dying, chat).
#pragma once

#include <edict.h>
#include <eiface.h>
#include <igameevents.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/CBasePlayer.h"

class Game {
public:
    static Game& Get();

    bool Connect(CreateInterfaceFn engineFactory, CGlobalVars* globals);
    void Disconnect();

    IVEngineServer* Engine() const { return m_engine; }
    CGlobalVars* Globals() const { return m_globals; }

    const std::string& Description() const { return m_description; }
    void SetDescription(std::string description) { m_description = std::move(description); }

    int CommandClient() const { return m_commandClient; }
    void SetCommandClient(int index) { m_commandClient = index; }

    // Players by entity index (1 to the client maximum).
    CBasePlayer* Player(int index) const;
    CBasePlayer* PlayerOf(const edict_t* edict) const;
    void SetClientKind(int index, bool fakeClient, bool sourceTV);
    CBasePlayer* CreatePlayer(edict_t* edict, const char* name);
    void RemovePlayer(edict_t* edict);
    void ChangeTeam(CBasePlayer& player, int team);
    void SetAlive(CBasePlayer& player, bool alive);
    int LastMenuSelection(int index) const;
    void SetMenuSelection(int index, int selection);

    // say and say_team, from a player (the command client) or the console.
    void Say(const char* text, bool team);

    // Entities made by ent_create.
    CBaseEntity* CreateEntity(const char* className);
    int CountEntities(const char* className) const;
    int RemoveEntities(const char* className);
    // A level ends: every entity and player goes.
    void ClearLevel();

    void FireEvent(const char* name, const std::function<void(IGameEvent&)>& fill);
    void SendChat(const std::vector<int>& recipients, int sender, const std::string& text);
    void PrintToClient(const CBasePlayer& player, const std::string& text);

private:
    struct ClientKind {
        bool fake = false;
        bool sourceTV = false;
    };

    int UserIdOf(const CBasePlayer& player) const;
    std::vector<int> ChatRecipients(const CBasePlayer* sender, bool team) const;
    std::string ChatLine(const CBasePlayer* sender, const std::string& text, bool team) const;

    IVEngineServer* m_engine = nullptr;
    IGameEventManager2* m_events = nullptr;
    CGlobalVars* m_globals = nullptr;
    std::string m_description = "Counter-Strike: Source";
    int m_commandClient = -1;
    std::unique_ptr<CBasePlayer> m_players[ABSOLUTE_PLAYER_LIMIT + 1];
    ClientKind m_kinds[ABSOLUTE_PLAYER_LIMIT + 1];
    int m_menuSelections[ABSOLUTE_PLAYER_LIMIT + 1] = {};
    std::vector<std::unique_ptr<CBaseEntity>> m_entities;
};
