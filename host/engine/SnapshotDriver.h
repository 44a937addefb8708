// The engine's side of a snapshot: for every receiving client it builds the
// candidate list (every edict in use), calls IServerGameEnts::CheckTransmit
// through the interface pointer (so a hook on it sees every call) and keeps
// the transmit set that came back, so tests can read what each client was
// sent.
#pragma once

#include <const.h>
#include <iservernetworkable.h>

#include <array>
#include <span>
#include <vector>

class IServerGameEnts;
class IVEngineServer;
struct edict_t;

namespace sim {

class SnapshotDriver {
public:
    SnapshotDriver(IVEngineServer& engine, IServerGameEnts* gameEnts);

    // One snapshot to each of the clients (their edicts).
    void TakeSnapshot(std::span<edict_t* const> clients);

    // What the client (entity index 1 to 64) got in its last snapshot.
    bool WasSent(int clientIndex, int entityIndex) const;
    const TransmitBitVec* LastSent(int clientIndex) const;
    int Snapshots() const { return m_Snapshots; }

private:
    void CollectCandidates();

    IVEngineServer& m_Engine;
    IServerGameEnts* m_pGameEnts;
    std::vector<unsigned short> m_Candidates;
    std::array<TransmitBitVec, ABSOLUTE_PLAYER_LIMIT + 1> m_Sent{};
    std::array<bool, ABSOLUTE_PLAYER_LIMIT + 1> m_HasSnapshot{};
    int m_Snapshots = 0;
};

}  // namespace sim
