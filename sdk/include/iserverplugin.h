// The plug-in interface: the host calls a loaded plug-in through it on every
// level change, frame, client step, client command and cvar answer.
// Version "ISERVERPLUGINCALLBACKS003" (asked of the plug-in's CreateInterface).
// Also the helpers the host offers plug-ins, "ISERVERPLUGINHELPERS001"
// (engine factory).
#pragma once

#include <tier1/interface.h>

class CCommand;
struct edict_t;

#define INTERFACEVERSION_ISERVERPLUGINCALLBACKS "ISERVERPLUGINCALLBACKS003"
#define INTERFACEVERSION_ISERVERPLUGINHELPERS "ISERVERPLUGINHELPERS001"

// A plug-in's answer to a client callback.
typedef enum {
    PLUGIN_CONTINUE = 0,  // the host and the other plug-ins go on with the call
    PLUGIN_OVERRIDE = 1,  // the host uses this plug-in's answer; other plug-ins still run
    PLUGIN_STOP = 2,      // the call is consumed
} PLUGIN_RESULT;

// Result of a client cvar query.
typedef enum {
    eQueryCvarValueStatus_ValueIntact = 0,    // the value is in the answer
    eQueryCvarValueStatus_CvarNotFound = 1,   // the client has no such name
    eQueryCvarValueStatus_NotACvar = 2,       // the name is a command
    eQueryCvarValueStatus_CvarProtected = 3,  // the value is protected ("" given)
} EQueryCvarValueStatus;

// Identifies a client cvar query; counts up from 1.
typedef int QueryCvarCookie_t;
#define InvalidQueryCvarCookie -1

class IServerPluginCallbacks {
public:
    // Slots, in order:
    //  0 Load                    11 ClientPutInServer
    //  1 Unload                  12 SetCommandClient
    //  2 Pause                   13 ClientSettingsChanged
    //  3 UnPause                 14 ClientConnect
    //  4 GetPluginDescription    15 ClientCommand
    //  5 LevelInit               16 NetworkIDValidated
    //  6 ServerActivate          17 OnQueryCvarValueFinished
    //  7 GameFrame               18 OnEdictAllocated
    //  8 LevelShutdown           19 OnEdictFreed
    //  9 ClientActive            20-21 destructor
    // 10 ClientDisconnect

    // Answers false to refuse loading (the host then drops the plug-in).
    virtual bool Load(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory) = 0;
    virtual void Unload() = 0;
    virtual void Pause() = 0;
    virtual void UnPause() = 0;
    virtual const char* GetPluginDescription() = 0;

    virtual void LevelInit(const char* mapName) = 0;
    virtual void ServerActivate(edict_t* edictList, int edictCount, int clientMax) = 0;
    virtual void GameFrame(bool simulating) = 0;
    virtual void LevelShutdown() = 0;

    virtual void ClientActive(edict_t* entity) = 0;
    virtual void ClientDisconnect(edict_t* entity) = 0;
    virtual void ClientPutInServer(edict_t* entity, const char* playerName) = 0;
    // The player index (entity index minus 1) of the client whose command runs
    // next; -1 for the server console.
    virtual void SetCommandClient(int index) = 0;
    virtual void ClientSettingsChanged(edict_t* edict) = 0;
    // The reject buffer holds the host's default refusal text beforehand.
    virtual PLUGIN_RESULT ClientConnect(bool* allowConnect, edict_t* entity, const char* name,
                                        const char* address, char* reject, int maxRejectLength) = 0;
    virtual PLUGIN_RESULT ClientCommand(edict_t* entity, const CCommand& args) = 0;
    virtual PLUGIN_RESULT NetworkIDValidated(const char* userName, const char* networkID) = 0;
    virtual void OnQueryCvarValueFinished(QueryCvarCookie_t cookie, edict_t* playerEntity,
                                          EQueryCvarValueStatus status, const char* cvarName,
                                          const char* cvarValue) = 0;
    virtual void OnEdictAllocated(edict_t* edict) = 0;
    virtual void OnEdictFreed(const edict_t* edict) = 0;

    virtual ~IServerPluginCallbacks() = default;
};

class IServerPluginHelpers {
public:
    // Slots, in order:
    //  0 StartQueryCvarValue
    //  1 ClientCommand
    // Asks a client for a cvar's value; the answer comes later through every
    // plug-in's OnQueryCvarValueFinished. InvalidQueryCvarCookie when the
    // entity is not a client slot (a bot or empty slot gets a cookie and
    // never answers).
    virtual QueryCvarCookie_t StartQueryCvarValue(edict_t* entity, const char* name) = 0;
    // Runs a command line on the client as if typed in its console.
    virtual void ClientCommand(edict_t* entity, const char* command) = 0;

protected:
    ~IServerPluginHelpers() = default;
};
