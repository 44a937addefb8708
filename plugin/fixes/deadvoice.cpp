#include "fixes/deadvoice.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <algorithm>
#include <cstdlib>

#include "core/HostCommands.h"
#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"

ConVar tk_deadvoice("tk_deadvoice", "1", 0, "Enable/Disable voice communication with dead players",
                    true, 0.0f, true, 1.0f, Deadvoice::OnTKDeadvoiceChange);

namespace {

using HostCommands::IsNamedInAnyCase;

// A client's mute word: hexadecimal, 0 when it does not read as a number;
// anything wider than 32 bits keeps its low word.
std::uint32_t MaskWord(const char* text) {
    return static_cast<std::uint32_t>(std::strtoull(text, nullptr, 16) & 0xFFFFFFFFull);
}

}  // namespace

void Deadvoice::Init(int clientMax) {
    maxClients = std::clamp(clientMax, 0, kMaxPlayerSlots);
}

bool Deadvoice::Configure() {
    return hook.Configure(
        tk_deadvoice.GetBool(), [this] { return Install(); }, [this] { Remove(); });
}

void Deadvoice::Unload() {
    hook.Unload([this] { Remove(); });
}

bool Deadvoice::Install() {
    return listening.Install(g_host.voiceServer);
}

void Deadvoice::Remove() {
    listening.Remove();
}

// Kept whether the hook is installed or not, so that switching it on later
// honours the mutes sent before.
void Deadvoice::ClientCommand(const char* command, edict_t* client, const CCommand& args) {
    if (!client || !g_host.engine || args.ArgC() < 2) {
        return;
    }
    const int slot = g_host.engine->IndexOfEdict(client) - 1;
    if (IsNamedInAnyCase(command, "vban")) {
        if (slot < 0 || slot >= maxClients) {
            return;
        }
        // A third word and beyond name nobody: 64 slots fit in two. A word
        // left out reads "" and so mutes nobody.
        for (int word = 0; word < 2; ++word) {
            banMasks[slot].words[word] = MaskWord(args.Arg(word + 1));
        }
    } else if (IsNamedInAnyCase(command, "VModEnable")) {
        if (slot < 0 || slot >= kMaxPlayerSlots) {
            return;
        }
        voiceEnabled.Set(slot, std::strtol(args.Arg(1), nullptr, 10) != 0);
    }
}

void Deadvoice::OnClientDisconnect(edict_t* client) {
    const int slot = PlayerSlot(client);
    if (slot >= 0) {
        banMasks[slot] = SlotBits{};
        voiceEnabled.Set(slot, false);
    }
}

bool Deadvoice::IsMuted(int receiverSlot, int senderSlot) const {
    return receiverSlot >= 0 && receiverSlot < kMaxPlayerSlots && senderSlot >= 0 &&
           senderSlot < kMaxPlayerSlots && banMasks[receiverSlot].Test(senderSlot);
}

bool Deadvoice::IsVoiceEnabled(int slot) const {
    return slot >= 0 && slot < kMaxPlayerSlots && voiceEnabled.Test(slot);
}

// The range comes first: the records are read only for indexes that are
// client slots of this server.
bool Deadvoice::MayOverride(int receiver, int sender) const {
    if (receiver < 1 || receiver > maxClients || sender < 1 || sender > maxClients) {
        return false;
    }
    const int receiverSlot = receiver - 1;
    const int senderSlot = sender - 1;
    return !banMasks[receiverSlot].Test(senderSlot) && voiceEnabled.Test(senderSlot) &&
           voiceEnabled.Test(receiverSlot);
}

bool Deadvoice::SameTeam(int receiver, int sender) {
    if (!g_host.engine) {
        return false;
    }
    IPlayerInfo* heard = PlayerInfoOf(g_host.engine->PEntityOfEntIndex(sender));
    if (!heard || !heard->IsConnected()) {
        return false;
    }
    IPlayerInfo* hearing = PlayerInfoOf(g_host.engine->PEntityOfEntIndex(receiver));
    return hearing && hearing->IsConnected() && hearing->GetTeamIndex() == heard->GetTeamIndex();
}

// Runs for every pair of players on each update of the game's voice
// routing: the two record bits decide most pairs before the host is asked.
// A pair the game already lets through needs nothing.
void Deadvoice::OnSetClientListeningHook(ListenCall& call, int receiver, int sender, bool listen) {
    if (listen || receiver == sender || !MayOverride(receiver, sender) ||
        !SameTeam(receiver, sender)) {
        return;
    }
    call.recall(receiver, sender, true);
}

// Unlike the other switches this one answers every set, even to the value
// it already has, so an admin can ask for the current state.
void Deadvoice::OnTKDeadvoiceChange(IConVar*, const char*, float) {
    if (!travik::IsActive()) {
        return;
    }
    travik::getDeadvoice()->Configure();
    Messaging::SendAllMessage(tk_deadvoice.GetBool() ? "\x03Travik:\x04 Deadvoice Enabled\n"
                                                     : "\x03Travik:\x04 Deadvoice Disabled\n");
}
