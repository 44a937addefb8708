#include "core/MRecipientFilter.h"

#include <algorithm>

#include "core/PlayerSlots.h"

int MRecipientFilter::GetRecipientCount() const {
    return static_cast<int>(m_Recipients.size());
}

int MRecipientFilter::GetRecipientIndex(int slot) const {
    if (slot < 0 || slot >= GetRecipientCount()) {
        return -1;
    }
    return m_Recipients[static_cast<size_t>(slot)];
}

void MRecipientFilter::AddAllPlayers(int maxClients) {
    AddPlayers(maxClients, true);
}

void MRecipientFilter::AddAllPlayersNoTV(int maxClients) {
    AddPlayers(maxClients, false);
}

void MRecipientFilter::AddRecipient(int index) {
    if (std::find(m_Recipients.begin(), m_Recipients.end(), index) == m_Recipients.end()) {
        m_Recipients.push_back(index);
    }
}

void MRecipientFilter::AddPlayers(int maxClients, bool withSourceTV) {
    m_Recipients.clear();
    for (int index = 1; index <= maxClients; ++index) {
        if (withSourceTV ? GetHumanPlayerInfo(index) != nullptr
                         : GetRealPlayerInfo(index) != nullptr) {
            m_Recipients.push_back(index);
        }
    }
}
