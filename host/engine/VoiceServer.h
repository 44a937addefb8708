// The engine's voice routing table (IVoiceServer, "VoiceServer002"): the
// game says for every pair of clients whether the receiver hears the sender,
// and the engine keeps it; a test asks who hears whom.
#pragma once

#include <const.h>
#include <ivoiceserver.h>

#include <bitset>

namespace sim {

class CVoiceServer : public IVoiceServer {
public:
    explicit CVoiceServer(int maxClients = ABSOLUTE_PLAYER_LIMIT);

    bool GetClientListening(int receiver, int sender) override;
    // False, and nothing kept, for an index outside 1 to the client maximum.
    bool SetClientListening(int receiver, int sender, bool listen) override;
    bool SetClientProximity(int client, bool proximity) override;

    void SetMaxClients(int maxClients);
    bool IsProximity(int client) const;
    int ListenCalls() const { return m_ListenCalls; }

private:
    bool IsClient(int index) const { return index >= 1 && index <= m_MaxClients; }

    int m_MaxClients;
    std::bitset<ABSOLUTE_PLAYER_LIMIT + 1> m_Listening[ABSOLUTE_PLAYER_LIMIT + 1];
    std::bitset<ABSOLUTE_PLAYER_LIMIT + 1> m_Proximity;
    int m_ListenCalls = 0;
};

}  // namespace sim
