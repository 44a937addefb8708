#include "engine/VoiceServer.h"

namespace sim {

bool VoiceServer::GetClientListening(int receiver, int sender) {
    return Valid(receiver) && Valid(sender) && m_listening[receiver][sender];
}

bool VoiceServer::SetClientListening(int receiver, int sender, bool listen) {
    if (!Valid(receiver) || !Valid(sender))
        return false;
    m_listening[receiver][sender] = listen;
    return true;
}

bool VoiceServer::SetClientProximity(int client, bool) {
    return Valid(client);
}

}  // namespace sim
