// The sim's private line between the engine (and scenarios) and the game
// library: what the engine tells the game about a client slot, and the
// controls a test or scenario has over the game. Handed out by the game
// library's factory as "SimGame001"; no plug-in interface leads to it.
#pragma once

#define SIMGAME_INTERFACE_VERSION "SimGame001"

class ISimGame {
public:
    // Before ClientPutInServer: whether the slot holds a bot or SourceTV.
    virtual void SetClientKind(int entityIndex, bool fakeClient, bool sourceTV) = 0;
    // The text GetGameDescription answers (to test a plug-in's refusal).
    virtual void SetGameDescription(const char* description) = 0;

    // Player state: team (joining one fires player_team and, in freeze
    // time, player_spawn), alive or dead (a kill fires player_death).
    virtual int GetTeam(int entityIndex) = 0;
    virtual void SetTeam(int entityIndex, int team) = 0;
    virtual bool IsAlive(int entityIndex) = 0;
    virtual void Kill(int entityIndex) = 0;

    // Entities made by ent_create that still exist, by class name.
    virtual int CountEntities(const char* className) = 0;
    // The last menuselect of a player (0 when none).
    virtual int LastMenuSelection(int entityIndex) = 0;

protected:
    ~ISimGame() = default;
};
