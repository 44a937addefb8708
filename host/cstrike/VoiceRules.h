// The game's voice manager. Every 0.3 s of game time it asks each new client
// once for its voice state (the RequestState user message; the client
// answers "VModEnable 1"), and tells the engine for
// every pair of players whether the receiver hears the sender, through
// IVoiceServer::SetClientListening, called through the interface pointer so
// a hook on it sees every pair. A receiver who has not enabled voice hears
// nobody; otherwise Counter-Strike: Source's rule holds: a living talker is
// heard by his team-mates, a dead one only by dead team-mates (spectators
// hear spectators), everybody hears everybody with sv_alltalk, and nobody
// hears a talker he muted ("vban").
#pragma once

#include <const.h>
#include <edict.h>

#include <cstdint>

class CBasePlayer;
class IVoiceServer;

namespace cstrike {

class EntityList;

// What the voice manager needs from the rest of the game.
class IVoiceHost {
public:
    virtual bool AllTalk() = 0;
    // The RequestState user message to that client.
    virtual void RequestState(int entityIndex) = 0;

protected:
    ~IVoiceHost() = default;
};

class VoiceRules {
public:
    static constexpr float kUpdateInterval = 0.3f;

    VoiceRules(EntityList& entities, IVoiceServer* voice, IVoiceHost& host,
               const CGlobalVars& globals);

    // A client entered the game: its voice state is asked for again, and it
    // hears nobody until it answers.
    void ClientConnected(int entityIndex);
    // A client left: its state and mutes are forgotten.
    void ClientDisconnected(int entityIndex);
    // The client's "VModEnable N".
    void SetModEnable(int entityIndex, bool enabled);
    bool IsModEnabled(int entityIndex) const;
    // The receiver's mute mask from its "vban" command: bit n mutes the
    // player of entity index n + 1.
    void SetBanMask(int receiverIndex, std::uint64_t mask);
    bool CanHear(CBasePlayer& receiver, CBasePlayer& sender);

    // A new level's game time starts again from zero: update at once.
    void LevelInit() { m_NextUpdate = 0.0f; }
    // Updates when the interval has passed.
    void Think();
    // Asks new clients for their voice state and tells the engine about
    // every pair of players now.
    void Update();
    int Updates() const { return m_Updates; }

private:
    struct ClientVoice {
        bool wantState = false;
        bool enabled = false;
        std::uint64_t banMask = 0;
    };

    static bool ValidIndex(int index) { return index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT; }
    bool IsMuted(int receiverIndex, int senderIndex) const;

    EntityList& m_Entities;
    IVoiceServer* m_pVoice;
    IVoiceHost& m_Host;
    const CGlobalVars& m_Globals;
    ClientVoice m_Clients[ABSOLUTE_PLAYER_LIMIT + 1];
    float m_NextUpdate = 0.0f;
    int m_Updates = 0;
};

}  // namespace cstrike
