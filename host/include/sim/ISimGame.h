// The sim's private line between the engine (and scenarios) and the game
// library: what the engine tells the game about a client slot, and the
// controls a test or scenario has over the game. Handed out by the game
// library's factory as "SimGame001"; no plug-in interface leads to it.
#pragma once

#define SIMGAME_INTERFACE_VERSION "SimGame001"

class IServerUnknown;

// A solid entity as the engine's traces see it: the box it fills, in world
// coordinates, and its contents (CONTENTS_*).
struct SimSolid {
    IServerUnknown* entity = nullptr;
    float mins[3] = {0.0f, 0.0f, 0.0f};
    float maxs[3] = {0.0f, 0.0f, 0.0f};
    int contents = 0;
};

// What a client's usercmds carry, from now until it changes.
struct SimUsercmd {
    float viewangles[3] = {0.0f, 0.0f, 0.0f};  // pitch, yaw, roll in degrees
    float forwardmove = 0.0f;
    float sidemove = 0.0f;
    float upmove = 0.0f;
    int buttons = 0;  // IN_* of in_buttons.h
};

// A player as the game has it, for tests and scenario expectations.
struct SimPlayerState {
    float origin[3] = {0.0f, 0.0f, 0.0f};
    float velocity[3] = {0.0f, 0.0f, 0.0f};
    float eyes[3] = {0.0f, 0.0f, 0.0f};
    int usercmds = 0;  // usercmds run since the player entity was made
    int moveType = 0;
    int flags = 0;
    int team = 0;
    int health = 0;
    int money = 0;
    bool alive = false;
    bool defusing = false;
    bool hasDefuser = false;
    float maxSpeed = 0.0f;
    float flashDuration = 0.0f;
    float flashMaxAlpha = 0.0f;
    int observerMode = 0;    // OBS_MODE_*: 0 while playing, 6 roaming, 4 first person, ...
    int observerTarget = 0;  // entity index of the player watched, 0 for none
};

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

    // Usercmds: how many a client sends a second (0: one per tick, as an
    // honest client does; more is a speed hack) and what they carry. Both
    // belong to the client slot and outlast level changes.
    virtual void SetUsercmdRate(int entityIndex, float commandsPerSecond) = 0;
    virtual void SetUsercmdInput(int entityIndex, const SimUsercmd& input) = 0;
    // The client's packets stall for that long: its usercmds pile up, then
    // the whole backlog arrives and runs in one tick, as after lag.
    virtual void StallUsercmds(int entityIndex, float seconds) = 0;
    // MOVETYPE_WALK, _NOCLIP, _LADDER, ... for a living player.
    virtual bool SetMoveType(int entityIndex, int moveType) = 0;
    virtual bool Teleport(int entityIndex, const float origin[3]) = 0;
    virtual bool GetPlayerState(int entityIndex, SimPlayerState* state) = 0;

    // Game actions of the rules: a flashbang's effect (player_blind), the
    // bomb planted where a living terrorist stands, damage from another
    // player (0: the world).
    virtual void Flash(int entityIndex, float duration, float maxAlpha) = 0;
    virtual bool PlantBomb(int entityIndex) = 0;
    virtual void Hurt(int victimIndex, int attackerIndex, int damage, const char* weapon) = 0;

    // Rounds won by the team (2 terrorists, 3 counter-terrorists) since the
    // last restart.
    virtual int GetTeamScore(int team) = 0;

    // Entities of the game with that model name.
    virtual int CountEntitiesByModel(const char* model) = 0;
    // The game's solid entities now, for the engine's traces: fills at most
    // maxSolids and answers how many it filled.
    virtual int GetSolids(SimSolid* solids, int maxSolids) = 0;

protected:
    ~ISimGame() = default;
};
