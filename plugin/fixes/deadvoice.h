#pragma once

#include <ivoiceserver.h>
#include <tier1/iconvar.h>

#include <cstdint>

#include "core/PlayerSlots.h"
#include "core/SwitchedHook.h"
#include "core/VirtualHook.h"
#include "hook/Hook.h"

class CCommand;
class ConVar;
struct edict_t;

// Lets the dead and the living of one team talk to each other. The game
// tells the engine for every pair of players whether the receiver hears the
// sender; a pre-hook on that call turns "no" into "yes" for two connected
// players of the same team, unless the receiver muted the sender or either
// of them has voice turned off. Mutes and voice states are kept from the
// clients' own "vban" and "VModEnable" commands.
class Deadvoice {
public:
    using ListenCall = travik::hook::CallFor<&IVoiceServer::SetClientListening>;

    // 64 slots in two 32-bit words: word 0 holds slots 0 to 31 (bit n =
    // slot n), word 1 slots 32 to 63.
    struct SlotBits {
        std::uint32_t words[2] = {0, 0};

        bool Test(int slot) const { return (words[slot >> 5] >> (slot & 31)) & 1u; }
        void Set(int slot, bool on) {
            const std::uint32_t bit = 1u << (slot & 31);
            words[slot >> 5] = on ? words[slot >> 5] | bit : words[slot >> 5] & ~bit;
        }
    };

    Deadvoice() = default;
    Deadvoice(const Deadvoice&) = delete;
    Deadvoice& operator=(const Deadvoice&) = delete;

    // The server's client maximum, capped at the 64 slots the records hold.
    void Init(int clientMax);
    // Installs or removes the voice hook to match the active switch and
    // tk_deadvoice; true when that changed anything.
    bool Configure();
    // Removes the hook silently.
    void Unload();

    // "vban" and "VModEnable" with at least one argument.
    void ClientCommand(const char* command, edict_t* client, const CCommand& args);
    // The slot's mutes and voice state belonged to the player who left.
    void OnClientDisconnect(edict_t* client);

    void OnSetClientListeningHook(ListenCall& call, int receiver, int sender, bool listen);

    bool IsHooked() const { return hook.IsInstalled(); }
    int MaxClients() const { return maxClients; }
    // Whether the client in `receiverSlot` muted the one in `senderSlot`.
    bool IsMuted(int receiverSlot, int senderSlot) const;
    bool IsVoiceEnabled(int slot) const;

    static void OnTKDeadvoiceChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    // Whether the pair may be overridden, from the records alone: both
    // indexes are client slots, the receiver did not mute the sender and
    // both have voice on.
    bool MayOverride(int receiver, int sender) const;
    // Both in the game, connected and on one team (spectators and the
    // unassigned count as teams of their own).
    static bool SameTeam(int receiver, int sender);
    bool Install();
    void Remove();

    SwitchedHook hook{"Voice"};
    VirtualHook<&IVoiceServer::SetClientListening, Deadvoice> listening{
        travik::hook::Pre, this, &Deadvoice::OnSetClientListeningHook};
    int maxClients = 0;
    SlotBits banMasks[kMaxPlayerSlots];
    SlotBits voiceEnabled;
};

extern ConVar tk_deadvoice;
