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
#include "cstrike/GameMovement.h"
#include "cstrike/MapSpawner.h"
#include "cstrike/ServerGameEnts.h"
#include "cstrike/UsercmdDriver.h"
#include "cstrike/VoiceRules.h"
#include "game/GameCvars.h"
#include "game/PlayerMessages.h"

class CCommand;

class Game final : private cstrike::IVoiceHost {
public:
    static Game& Get();
    // The player movement the game factory hands out ("GameMovement001"):
    // one object from the library's load on, so that a hook placed on it
    // sees every usercmd the game runs.
    static cstrike::CGameMovement& Movement();

    bool Connect(CreateInterfaceFn engineFactory, CGlobalVars* globals);
    void Disconnect();
    bool IsConnected() const { return m_rules != nullptr; }

    IVEngineServer* Engine() const { return m_engine; }
    CGlobalVars* Globals() const { return m_globals; }
    cstrike::CSGameRules* Rules() const { return m_rules.get(); }
    cstrike::EntityList* Entities() const { return m_entities.get(); }
    cstrike::CServerGameEnts* GameEnts() const { return m_gameEnts.get(); }
    cstrike::UsercmdDriver* Usercmds() const { return m_usercmds.get(); }
    cstrike::VoiceRules* Voice() const { return m_voice.get(); }

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

    // A client's usercmds (see ISimGame): kept per slot, so that they outlast
    // the player entity across level changes, until the client leaves.
    void SetUsercmdRate(int index, float commandsPerSecond);
    void SetUsercmdInput(int index, const CUserCmd& input);
    void StallUsercmds(int index, float seconds);
    const cstrike::UsercmdDriver::ClientRecord* UsercmdsOf(const CCSPlayer& player) const;

    // The game's side of a client entering and leaving.
    void ClientPutInServer(edict_t* edict, const char* playerName);
    void ClientDisconnect(edict_t* edict);
    // "vban": the receiver's mute mask, in up to two hexadecimal words
    // (players 1 to 32, then 33 to 64).
    void VoiceBan(const CCSPlayer& receiver, const CCommand& args);
    // "buy NAME": a weapon (weapon_NAME) or, for a counter-terrorist, the
    // defuse kit ("defuser").
    void Buy(CCSPlayer& player, const char* item);

    // say and say_team, from a player (the command client) or the console.
    void Say(const char* text, bool team);
    // "VModEnable N": the client tells whether it takes part in voice.
    void VoiceModEnable(const CCSPlayer& player, const CCommand& args);
    void PrintToClient(const CCSPlayer& player, const std::string& text);

    void LevelInit();
    void LevelShutdown();
    // One tick of the game: the clients' usercmds (movement, then the use
    // key), the rules, the voice rule.
    void Tick();

private:
    struct ClientKind {
        bool fake = false;
        bool sourceTV = false;
        int menuSelection = 0;
    };
    struct ClientUsercmds {
        float commandsPerSecond = 0.0f;
        CUserCmd input;
    };

    bool AllTalk() override;
    void RequestState(int entityIndex) override;

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
    std::unique_ptr<cstrike::UsercmdDriver> m_usercmds;
    std::unique_ptr<cstrike::MapSpawner> m_spawner;
    std::unique_ptr<cstrike::VoiceRules> m_voice;
    GameCvars m_cvars;
    std::string m_description = "Counter-Strike: Source";
    int m_commandClient = -1;
    ClientKind m_kinds[ABSOLUTE_PLAYER_LIMIT + 1];
    ClientUsercmds m_usercmdSettings[ABSOLUTE_PLAYER_LIMIT + 1];
};
