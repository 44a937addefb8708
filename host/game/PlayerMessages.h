// Text the game shows every player (restart notices): the engine's text
// user message (index 5) with a destination and the text.
#pragma once

#include <eiface.h>

#include <vector>

#include "cstrike/GameEvent.h"

class PlayerMessages final : public cstrike::IPlayerMessages {
public:
    explicit PlayerMessages(IVEngineServer& engine) : m_engine(engine) {}

    void TextToAll(int destination, const char* text) override;
    // A chat line (index 3) from a sender (0: the server) to these players.
    void Chat(const std::vector<int>& recipients, int sender, const char* text);
    // The voice manager asks one client for its voice state (index 18, no payload).
    void RequestState(int recipient);

private:
    IVEngineServer& m_engine;
};
