#include "FakeEngine.h"

#include <cstring>

FakeEngine::FakeEngine(int maxClients) : m_MaxClients(maxClients) {
    m_Edicts[0].ClearFree();  // the world
}

edict_t* FakeEngine::ConnectClient(int index) {
    edict_t* edict = PEntityOfEntIndex(index);
    if (edict) {
        edict->ClearFree();
    }
    return edict;
}

int FakeEngine::IndexOfEdict(const edict_t* edict) {
    if (edict < m_Edicts.data() || edict >= m_Edicts.data() + m_Edicts.size()) {
        return -1;
    }
    return static_cast<int>(edict - m_Edicts.data());
}

edict_t* FakeEngine::PEntityOfEntIndex(int index) {
    return index >= 0 && index < MAX_EDICTS ? &m_Edicts[index] : nullptr;
}

int FakeEngine::GetEntityCount() {
    int count = 0;
    for (const edict_t& edict : m_Edicts) {
        count += !edict.IsFree();
    }
    return count;
}

edict_t* FakeEngine::CreateEdict(int forceEdictIndex) {
    if (forceEdictIndex >= 0) {
        edict_t* edict = PEntityOfEntIndex(forceEdictIndex);
        if (edict) {
            edict->ClearFree();
            ++m_Created;
        }
        return edict;
    }
    for (int i = m_MaxClients + 1; i < MAX_EDICTS; ++i) {
        if (m_Edicts[i].IsFree()) {
            m_Edicts[i].ClearFree();
            ++m_Created;
            return &m_Edicts[i];
        }
    }
    return nullptr;
}

void FakeEngine::RemoveEdict(edict_t* edict) {
    if (IndexOfEdict(edict) >= 0) {
        edict->SetFree();
        edict->m_pUnk = nullptr;
        edict->m_pNetworkable = nullptr;
    }
}

void FakeEngine::GetGameDir(char* dir, int maxLength) {
    if (maxLength > 0) {
        std::strncpy(dir, "cstrike", static_cast<size_t>(maxLength - 1));
        dir[maxLength - 1] = '\0';
    }
}

const char* FakeEngine::GetMapEntitiesString() {
    ++m_MapEntitiesCalls;
    return m_MapEntities.c_str();
}
