// Runs the clients' usercmds: each client sends commands at its own rate (an
// honest client one per tick, a speed hacker more), and every tick the
// driver runs the commands that came in: it fills the move data, calls
// IGameMovement::ProcessMovement through the interface pointer (so a hook on
// it sees every command), applies the resulting velocity and origin to the
// player and lets the player use what his use key reaches.
#pragma once

#include <basehandle.h>
#include <edict.h>

#include <vector>

#include "UserCmd.h"

class CBasePlayer;
class CMoveData;
class IGameMovement;

namespace cstrike {

class EntityList;

class UsercmdDriver {
public:
    struct ClientRecord {
        CBaseHandle player;
        float commandsPerSecond = 0.0f;  // 0: one per tick
        float owed = 0.0f;               // commands due but not yet sent
        CUserCmd input;                  // what the client's next commands carry
        int commandsRun = 0;
        int stalledTicks = 0;  // ticks its packets still stall; the backlog waits
        Vector lastVelocity;   // velocity applied by the last command
    };

    UsercmdDriver(EntityList& entities, IGameMovement* movement, const CGlobalVars& globals);

    // Starts (or changes) a client's command stream; 0 commands a second
    // means one per tick, as an honest client sends.
    void SetClient(CBasePlayer* player, float commandsPerSecond = 0.0f);
    void RemoveClient(CBasePlayer* player);
    // The input every later command of the client carries.
    void SetInput(CBasePlayer* player, const CUserCmd& input);
    // Its packets stall for that many ticks; the commands sent meanwhile all
    // arrive, and run, in the tick the stall ends.
    void Stall(CBasePlayer* player, int ticks);

    // One tick: runs every command that arrived during it. Clients whose
    // player is gone are dropped.
    void RunTick();
    // Runs one command for the player now.
    void RunCommand(CBasePlayer& player, const CUserCmd& command);

    const ClientRecord* Find(const CBasePlayer* player) const;
    int ClientCount() const { return static_cast<int>(m_Clients.size()); }

private:
    ClientRecord* FindRecord(const CBasePlayer* player);
    void SetupMove(CBasePlayer& player, const CUserCmd& command, CMoveData& move) const;

    EntityList& m_Entities;
    IGameMovement* m_pMovement;
    const CGlobalVars& m_Globals;
    std::vector<ClientRecord> m_Clients;
};

}  // namespace cstrike
