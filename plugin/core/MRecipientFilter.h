#pragma once

#include <irecipientfilter.h>

#include <vector>

// The plug-in's own recipient list for user messages: entity indexes of
// player slots, each at most once.
class MRecipientFilter : public IRecipientFilter {
public:
    MRecipientFilter() = default;
    ~MRecipientFilter() override = default;

    bool IsReliable() const override { return false; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override;
    // -1 when the position is negative or not below the count.
    int GetRecipientIndex(int slot) const override;

    // Empties the list, then adds every human slot from 1 to maxClients.
    void AddAllPlayers(int maxClients);
    // The same without SourceTV.
    void AddAllPlayersNoTV(int maxClients);
    // Adds the index unless it is already there.
    void AddRecipient(int index);

private:
    void AddPlayers(int maxClients, bool withSourceTV);

    std::vector<int> m_Recipients;
};
