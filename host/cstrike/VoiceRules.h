// The game's voice rule: the living hear the living of their own team, the
// dead hear everybody dead, and nobody hears a player he has muted ("vban").
// On each update (every 0.3 s of game time) it tells the engine the answer
// for every pair of players through IVoiceServer::SetClientListening, called
// through the interface pointer so a hook on it sees every pair.
#pragma once

#include <const.h>
#include <edict.h>

#include <cstdint>

class CBasePlayer;
class IVoiceServer;

namespace cstrike {

class EntityList;

class VoiceRules {
public:
    static constexpr float kUpdateInterval = 0.3f;

    VoiceRules(EntityList& entities, IVoiceServer* voice, const CGlobalVars& globals);

    // The receiver's mute mask from its "vban" command: bit n mutes the
    // player of entity index n + 1.
    void SetBanMask(int receiverIndex, std::uint64_t mask);
    bool CanHear(CBasePlayer& receiver, CBasePlayer& sender) const;

    // A new level's game time starts again from zero: update at once.
    void LevelInit() { m_NextUpdate = 0.0f; }
    // Updates when the interval has passed.
    void Think();
    // Tells the engine about every pair of players now.
    void Update();
    int Updates() const { return m_Updates; }

private:
    bool IsMuted(int receiverIndex, int senderIndex) const;

    EntityList& m_Entities;
    IVoiceServer* m_pVoice;
    const CGlobalVars& m_Globals;
    std::uint64_t m_BanMasks[ABSOLUTE_PLAYER_LIMIT + 1] = {};
    float m_NextUpdate = 0.0f;
    int m_Updates = 0;
};

}  // namespace cstrike
