// "VoiceServer002": who hears whom; receiver and sender are entity indexes
// 1 to the client maximum.
#pragma once

#include <const.h>
#include <ivoiceserver.h>

namespace sim {

class VoiceServer final : public IVoiceServer {
public:
    explicit VoiceServer(const int& maxClients) : m_maxClients(maxClients) {}
    bool GetClientListening(int receiver, int sender) override;
    bool SetClientListening(int receiver, int sender, bool listen) override;
    bool SetClientProximity(int client, bool proximity) override;

private:
    bool Valid(int index) const { return index >= 1 && index <= m_maxClients; }

    const int& m_maxClients;
    bool m_listening[ABSOLUTE_PLAYER_LIMIT + 1][ABSOLUTE_PLAYER_LIMIT + 1] = {};
};

}  // namespace sim
