#include "engine/EdictList.h"

namespace sim {

edict_t* EdictList::Get(int index) {
    if (index < 0 || index >= static_cast<int>(m_edicts.size()))
        return nullptr;
    return &m_edicts[static_cast<size_t>(index)];
}

int EdictList::IndexOf(const edict_t* edict) const {
    if (!edict || edict < m_edicts.data() || edict >= m_edicts.data() + m_edicts.size())
        return -1;
    return static_cast<int>(edict - m_edicts.data());
}

int EdictList::InUseCount() const {
    int count = 0;
    for (const edict_t& edict : m_edicts)
        if (!edict.IsFree())
            ++count;
    return count;
}

int EdictList::Extent() const {
    for (int i = static_cast<int>(m_edicts.size()) - 1; i >= 0; --i)
        if (!m_edicts[static_cast<size_t>(i)].IsFree())
            return i + 1;
    return 0;
}

edict_t* EdictList::Allocate(int firstIndex, int forcedIndex) {
    if (forcedIndex >= 0) {
        edict_t* edict = Get(forcedIndex);
        if (!edict || !edict->IsFree())
            return nullptr;
        Use(forcedIndex);
        return edict;
    }
    for (int i = firstIndex; i < static_cast<int>(m_edicts.size()); ++i) {
        if (m_edicts[static_cast<size_t>(i)].IsFree()) {
            Use(i);
            return &m_edicts[static_cast<size_t>(i)];
        }
    }
    return nullptr;
}

void EdictList::Use(int index) {
    if (edict_t* edict = Get(index)) {
        edict->ClearFree();
        ++edict->m_NetworkSerialNumber;
    }
}

void EdictList::Free(edict_t* edict, float time) {
    if (IndexOf(edict) < 0)
        return;
    edict->SetFree();
    edict->m_pNetworkable = nullptr;
    edict->m_pUnk = nullptr;
    edict->freetime = time;
}

}  // namespace sim
