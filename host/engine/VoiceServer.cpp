#include "engine/VoiceServer.h"

#include <algorithm>

namespace sim {

CVoiceServer::CVoiceServer(int maxClients) {
    SetMaxClients(maxClients);
}

void CVoiceServer::SetMaxClients(int maxClients) {
    m_MaxClients = std::clamp(maxClients, 0, ABSOLUTE_PLAYER_LIMIT);
}

bool CVoiceServer::GetClientListening(int receiver, int sender) {
    return IsClient(receiver) && IsClient(sender) && m_Listening[receiver].test(sender);
}

bool CVoiceServer::SetClientListening(int receiver, int sender, bool listen) {
    ++m_ListenCalls;
    if (!IsClient(receiver) || !IsClient(sender)) {
        return false;
    }
    m_Listening[receiver].set(sender, listen);
    return true;
}

bool CVoiceServer::SetClientProximity(int client, bool proximity) {
    if (!IsClient(client)) {
        return false;
    }
    m_Proximity.set(client, proximity);
    return true;
}

bool CVoiceServer::IsProximity(int client) const {
    return IsClient(client) && m_Proximity.test(client);
}

}  // namespace sim
