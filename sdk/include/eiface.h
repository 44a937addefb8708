// The engine's interface to the game library and the plug-ins
// (IVEngineServer), and the game library's interfaces to the engine
// (IServerGameDLL, IServerGameEnts, IServerGameClients).
#pragma once

#include <tier0/platform.h>

#include <edict.h>
#include <mathlib/vector.h>
#include <tier1/convar.h>
#include <tier1/interface.h>

class bf_write;
class bf_read;
class CBaseEntity;
class CCheckTransmitInfo;
class INetChannelInfo;
class IRecipientFilter;
class ServerClass;

#define INTERFACEVERSION_VENGINESERVER "VEngineServer021"
#define INTERFACEVERSION_SERVERGAMEDLL "ServerGameDLL006"
#define INTERFACEVERSION_SERVERGAMEENTS "ServerGameEnts001"
#define INTERFACEVERSION_SERVERGAMECLIENTS "ServerGameClients003"

// Engine services for the game library and plug-ins. "Entity index" is the
// edict's slot number; player slots are 1 to the client maximum.
class IVEngineServer {
public:
    // Slots, in order:
    //  0 ChangeLevel              10 GetPlayerUserId
    //  1 IsMapValid               11 GetPlayerNetworkIDString
    //  2 IsDedicatedServer        12 GetClientConVarValue
    //  3 ServerCommand            13 GetPlayerNetInfo
    //  4 ServerExecute            14 GetEntityCount
    //  5 ClientPrintf             15 CreateEdict
    //  6 UserMessageBegin         16 RemoveEdict
    //  7 MessageEnd               17 GetGameDir
    //  8 IndexOfEdict             18 GetMapEntitiesString
    //  9 PEntityOfEntIndex        19 ForceExactFile
    //                             20 LogPrint

    // Starts a level change to s1 (s2: landmark, may be null).
    virtual void ChangeLevel(const char* s1, const char* s2) = 0;
    // Non-zero when maps/<name>.bsp exists.
    virtual int IsMapValid(const char* fileName) = 0;
    virtual bool IsDedicatedServer() = 0;

    // Appends text to the command buffer (run later, or at ServerExecute).
    // The buffer splits at ';' outside quotes and at line breaks.
    virtual void ServerCommand(const char* text) = 0;
    // Runs everything in the command buffer now.
    virtual void ServerExecute() = 0;
    // Prints text in one client's console.
    virtual void ClientPrintf(edict_t* edict, const char* text) = 0;

    // Starts a user message of the game's index to the filter's recipients;
    // the payload is written into the returned buffer (at most
    // MAX_USER_MSG_DATA bytes; an overflowed message is dropped).
    virtual bf_write* UserMessageBegin(IRecipientFilter* filter, int messageType) = 0;
    // Sends the message begun last.
    virtual void MessageEnd() = 0;

    // The entity index of an edict; -1 for null or a foreign pointer.
    virtual int IndexOfEdict(const edict_t* edict) = 0;
    // The edict of an entity index (also of a free slot); null out of range.
    virtual edict_t* PEntityOfEntIndex(int entityIndex) = 0;

    // The connection's user ID (the "userid" of game events); -1 when the
    // edict is not a connected client.
    virtual int GetPlayerUserId(const edict_t* edict) = 0;
    // "STEAM_0:X:Y", "STEAM_ID_PENDING", "STEAM_ID_LAN", "BOT", "HLTV" or
    // "UNKNOWN"; null when the edict is not a client.
    virtual const char* GetPlayerNetworkIDString(const edict_t* edict) = 0;
    // A client's user-info setting ("name", "rate", "cl_cmdrate", ...) by
    // entity index; "" when unknown, null for a bad index.
    virtual const char* GetClientConVarValue(int clientIndex, const char* name) = 0;
    // The client's network channel by entity index; null for bots and empty slots.
    virtual INetChannelInfo* GetPlayerNetInfo(int playerIndex) = 0;

    // Edicts in use.
    virtual int GetEntityCount() = 0;
    // A free edict (or the given index); null when none is left.
    virtual edict_t* CreateEdict(int forceEdictIndex = -1) = 0;
    virtual void RemoveEdict(edict_t* edict) = 0;

    // The game folder's path, cut to maxLength - 1 characters.
    virtual void GetGameDir(char* gameDir, int maxLength) = 0;
    // The current map's entity text.
    virtual const char* GetMapEntitiesString() = 0;
    // Clients must have exactly the server's copy of this file.
    virtual void ForceExactFile(const char* fileName) = 0;
    // Writes to the server log (and console).
    virtual void LogPrint(const char* text) = 0;

protected:
    ~IVEngineServer() = default;
};

// The game library's entry points for the engine.
class IServerGameDLL {
public:
    // Slots, in order:
    //  0 DLLInit            5 LevelShutdown
    //  1 GameInit           6 GameShutdown
    //  2 LevelInit          7 DLLShutdown
    //  3 ServerActivate     8 GetTickInterval
    //  4 GameFrame          9 GetAllServerClasses
    //                      10 GetGameDescription
    virtual bool DLLInit(CreateInterfaceFn engineFactory, CreateInterfaceFn physicsFactory,
                         CreateInterfaceFn fileSystemFactory, CGlobalVars* globals) = 0;
    virtual bool GameInit() = 0;
    // The game reads the map's entity text through IVEngineServer::GetMapEntitiesString.
    virtual bool LevelInit(const char* mapName) = 0;
    virtual void ServerActivate(edict_t* edictList, int edictCount, int clientMax) = 0;
    virtual void GameFrame(bool simulating) = 0;
    virtual void LevelShutdown() = 0;
    virtual void GameShutdown() = 0;
    virtual void DLLShutdown() = 0;
    // Seconds per tick (0.015 at 66 ticks).
    virtual float GetTickInterval() const = 0;
    // The head of the networked class list.
    virtual ServerClass* GetAllServerClasses() = 0;
    // "Counter-Strike: Source".
    virtual const char* GetGameDescription() = 0;

protected:
    ~IServerGameDLL() = default;
};

// The game library's entity services.
class IServerGameEnts {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 BaseEntityToEdict
    //  3 EdictToBaseEntity
    //  4 CheckTransmit
    //  5 FreeContainingEntity
    SDK_DESTRUCTOR_SLOT(IServerGameEnts)
    // Null when the entity has no edict.
    virtual edict_t* BaseEntityToEdict(CBaseEntity* entity) = 0;
    // Null for a free edict or one without a game entity.
    virtual CBaseEntity* EdictToBaseEntity(edict_t* edict) = 0;
    // Fills info's transmit set with the entities this client receives in
    // this snapshot; edictIndices lists the candidates.
    virtual void CheckTransmit(CCheckTransmitInfo* info, const unsigned short* edictIndices,
                               int edictCount) = 0;
    virtual void FreeContainingEntity(edict_t* edict) = 0;
    SDK_DESTRUCTOR_LAST(IServerGameEnts)
};

// The game library's client handling.
class IServerGameClients {
public:
    // Slots, in order:
    //  0 GetPlayerLimits     4 ClientPutInServer
    //  1 ClientConnect       5 ClientCommand
    //  2 ClientActive        6 SetCommandClient
    //  3 ClientDisconnect    7 ClientSettingsChanged
    //                        8 ClientEarPosition
    virtual void GetPlayerLimits(int& minPlayers, int& maxPlayers,
                                 int& defaultMaxPlayers) const = 0;
    virtual bool ClientConnect(edict_t* entity, const char* name, const char* address, char* reject,
                               int maxRejectLength) = 0;
    virtual void ClientActive(edict_t* entity, bool loadGame) = 0;
    virtual void ClientDisconnect(edict_t* entity) = 0;
    virtual void ClientPutInServer(edict_t* entity, const char* playerName) = 0;
    // A client's console command that no registered command took.
    virtual void ClientCommand(edict_t* entity, const CCommand& args) = 0;
    virtual void SetCommandClient(int index) = 0;
    virtual void ClientSettingsChanged(edict_t* edict) = 0;
    virtual void ClientEarPosition(edict_t* entity, Vector* earOrigin) = 0;

protected:
    ~IServerGameClients() = default;
};
