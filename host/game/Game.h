// The game library's state: the engine interfaces it was given, the game
// machinery of host/cstrike (entities, the rules of a match, the entity
// services) built on them, the command client, and what the engine told it
// about each client slot.
#pragma once

#include <edict.h>
#include <eiface.h>
#include <igameevents.h>
#include <shareddefs.h>

#include <memory>
#include <string>

#include "cstrike/CSGameRules.h"
#include "cstrike/CSPlayer.h"
#include "cstrike/EntityList.h"
#include "cstrike/GameEventManagerSink.h"
#include "cstrike/ServerGameEnts.h"
#include "game/PlayerMessages.h"

class Game {
public:
    static Game& Get();

    bool Connect(CreateInterfaceFn engineFactory, CGlobalVars* globals);
    void Disconnect();
    bool IsConnected() const { return m_rules != nullptr; }

    IVEngineServer* Engine() const { return m_engine; }
    CGlobalVars* Globals() const { return m_globals; }
    cstrike::CSGameRules* Rules() const { return m_rules.get(); }
    cstrike::EntityList* Entities() const { return m_entities.get(); }
    cstrike::CServerGameEnts* GameEnts() const { return m_gameEnts.get(); }

    const std::string& Description() const { return m_description; }
    void SetDescription(std::string description) { m_description = std::move(description); }

    int CommandClient() const { return m_commandClient; }
    void SetCommandClient(int index) { m_commandClient = index; }

    // Players by entity index (1 to the client maximum), null for others.
    CCSPlayer* Player(int index) const;
    CCSPlayer* PlayerOf(const edict_t* edict) const;
    void SetClientKind(int index, bool fakeClient, bool sourceTV);
    bool IsFakeClient(int index) const;
    bool IsSourceTV(int index) const;
    int LastMenuSelection(int index) const;
    void SetMenuSelection(int index, int selection);

    // say and say_team, from a player (the command client) or the console.
    void Say(const char* text, bool team);
    void PrintToClient(const CCSPlayer& player, const std::string& text);

    void LevelInit();
    void LevelShutdown();

private:
    struct ClientKind {
        bool fake = false;
        bool sourceTV = false;
        int menuSelection = 0;
    };

    static bool ValidIndex(int index) { return index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT; }
    std::vector<int> ChatRecipients(const CCSPlayer* sender, bool team) const;
    std::string ChatLine(const CCSPlayer* sender, const std::string& text, bool team) const;

    IVEngineServer* m_engine = nullptr;
    IGameEventManager2* m_events = nullptr;
    CGlobalVars* m_globals = nullptr;
    std::unique_ptr<cstrike::EntityList> m_entities;
    std::unique_ptr<cstrike::GameEventManagerSink> m_sink;
    std::unique_ptr<PlayerMessages> m_messages;
    std::unique_ptr<cstrike::CSGameRules> m_rules;
    std::unique_ptr<cstrike::CServerGameEnts> m_gameEnts;
    std::string m_description = "Counter-Strike: Source";
    int m_commandClient = -1;
    ClientKind m_kinds[ABSOLUTE_PLAYER_LIMIT + 1];
};
