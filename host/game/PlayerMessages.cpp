#include "game/PlayerMessages.h"

#include <irecipientfilter.h>
#include <tier1/bitbuf.h>

#include "game/Game.h"

namespace {

constexpr int kSayText = 3;
constexpr int kTextMsg = 5;
constexpr int kRequestState = 18;

class Recipients final : public IRecipientFilter {
public:
    explicit Recipients(std::vector<int> indexes) : m_indexes(std::move(indexes)) {}
    bool IsReliable() const override { return true; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return static_cast<int>(m_indexes.size()); }
    int GetRecipientIndex(int slot) const override {
        return slot >= 0 && slot < GetRecipientCount() ? m_indexes[static_cast<size_t>(slot)] : -1;
    }

private:
    std::vector<int> m_indexes;
};

// Every player but the bots, SourceTV included, as the game's broadcasts go.
std::vector<int> HumanPlayers() {
    std::vector<int> indexes;
    for (int i = 1; i <= ABSOLUTE_PLAYER_LIMIT; ++i)
        if (Game::Get().Player(i) && (!Game::Get().IsFakeClient(i) || Game::Get().IsSourceTV(i)))
            indexes.push_back(i);
    return indexes;
}

}  // namespace

void PlayerMessages::TextToAll(int destination, const char* text) {
    Recipients filter(HumanPlayers());
    bf_write* message = m_engine.UserMessageBegin(&filter, kTextMsg);
    if (!message)
        return;
    message->WriteByte(destination);
    message->WriteString(text ? text : "");
    m_engine.MessageEnd();
}

void PlayerMessages::RequestState(int recipient) {
    Recipients filter({recipient});
    if (m_engine.UserMessageBegin(&filter, kRequestState))
        m_engine.MessageEnd();
}

void PlayerMessages::Chat(const std::vector<int>& recipients, int sender, const char* text) {
    Recipients filter(recipients);
    bf_write* message = m_engine.UserMessageBegin(&filter, kSayText);
    if (!message)
        return;
    message->WriteByte(sender);
    message->WriteString(text ? text : "");
    message->WriteByte(1);
    m_engine.MessageEnd();
}
