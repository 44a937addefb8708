#include "engine/SnapshotDriver.h"

#include <eiface.h>

namespace sim {

SnapshotDriver::SnapshotDriver(IVEngineServer& engine, IServerGameEnts* gameEnts)
    : m_Engine(engine), m_pGameEnts(gameEnts) {
    m_Candidates.reserve(MAX_EDICTS);
}

void SnapshotDriver::CollectCandidates() {
    m_Candidates.clear();
    for (int index = 0; index < MAX_EDICTS; ++index) {
        const edict_t* edict = m_Engine.PEntityOfEntIndex(index);
        if (edict && !edict->IsFree()) {
            m_Candidates.push_back(static_cast<unsigned short>(index));
        }
    }
}

void SnapshotDriver::TakeSnapshot(std::span<edict_t* const> clients) {
    CollectCandidates();
    for (edict_t* client : clients) {
        const int index = m_Engine.IndexOfEdict(client);
        if (index < 1 || index > ABSOLUTE_PLAYER_LIMIT || !m_pGameEnts) {
            continue;
        }
        TransmitBitVec transmit;
        TransmitBitVec always;
        CCheckTransmitInfo info;
        info.m_pClientEnt = client;
        info.m_pTransmitEdict = &transmit;
        info.m_pTransmitAlways = &always;
        m_pGameEnts->CheckTransmit(&info, m_Candidates.data(),
                                   static_cast<int>(m_Candidates.size()));
        m_Sent[index] = transmit;
        m_HasSnapshot[index] = true;
    }
    ++m_Snapshots;
}

bool SnapshotDriver::WasSent(int clientIndex, int entityIndex) const {
    const TransmitBitVec* sent = LastSent(clientIndex);
    return sent && sent->IsBitSet(entityIndex);
}

const TransmitBitVec* SnapshotDriver::LastSent(int clientIndex) const {
    if (clientIndex < 1 || clientIndex > ABSOLUTE_PLAYER_LIMIT || !m_HasSnapshot[clientIndex]) {
        return nullptr;
    }
    return &m_Sent[clientIndex];
}

}  // namespace sim
