#include "VoiceRules.h"

#include <ivoiceserver.h>
#include <shareddefs.h>

#include <vector>

#include "BasePlayer.h"
#include "EntityList.h"

namespace cstrike {

VoiceRules::VoiceRules(EntityList& entities, IVoiceServer* voice, IVoiceHost& host,
                       const CGlobalVars& globals)
    : m_Entities(entities), m_pVoice(voice), m_Host(host), m_Globals(globals) {}

void VoiceRules::ClientConnected(int entityIndex) {
    if (ValidIndex(entityIndex)) {
        m_Clients[entityIndex].wantState = true;
        m_Clients[entityIndex].enabled = false;
    }
}

void VoiceRules::ClientDisconnected(int entityIndex) {
    if (ValidIndex(entityIndex)) {
        m_Clients[entityIndex] = ClientVoice();
    }
}

void VoiceRules::SetModEnable(int entityIndex, bool enabled) {
    if (ValidIndex(entityIndex)) {
        m_Clients[entityIndex].enabled = enabled;
        m_Clients[entityIndex].wantState = false;
    }
}

bool VoiceRules::IsModEnabled(int entityIndex) const {
    return ValidIndex(entityIndex) && m_Clients[entityIndex].enabled;
}

void VoiceRules::SetBanMask(int receiverIndex, std::uint64_t mask) {
    if (ValidIndex(receiverIndex)) {
        m_Clients[receiverIndex].banMask = mask;
    }
}

bool VoiceRules::IsMuted(int receiverIndex, int senderIndex) const {
    if (!ValidIndex(receiverIndex) || !ValidIndex(senderIndex)) {
        return false;
    }
    return (m_Clients[receiverIndex].banMask >> (senderIndex - 1)) & 1u;
}

bool VoiceRules::CanHear(CBasePlayer& receiver, CBasePlayer& sender) {
    if (!IsModEnabled(receiver.entindex()) || IsMuted(receiver.entindex(), sender.entindex())) {
        return false;
    }
    if (m_Host.AllTalk()) {
        return true;
    }
    const bool sameTeam = receiver.GetTeamNumber() == sender.GetTeamNumber();
    // The dead talk only to the dead of their own side.
    if (!sender.IsAlive()) {
        return sameTeam && !receiver.IsAlive();
    }
    return sameTeam;
}

void VoiceRules::Think() {
    if (m_Globals.curtime >= m_NextUpdate) {
        m_NextUpdate = m_Globals.curtime + kUpdateInterval;
        Update();
    }
}

void VoiceRules::Update() {
    std::vector<CBasePlayer*> players;
    m_Entities.ForEach([&players](CBaseEntity& entity) {
        if (entity.IsPlayer()) {
            players.push_back(static_cast<CBasePlayer*>(&entity));
        }
    });
    ++m_Updates;
    for (CBasePlayer* player : players) {
        const int index = player->entindex();
        // Sent reliably, so once: a client that never answers hears nobody.
        if (ValidIndex(index) && m_Clients[index].wantState) {
            m_Clients[index].wantState = false;
            m_Host.RequestState(index);
        }
    }
    if (!m_pVoice) {
        return;
    }
    for (CBasePlayer* receiver : players) {
        for (CBasePlayer* sender : players) {
            m_pVoice->SetClientListening(receiver->entindex(), sender->entindex(),
                                         CanHear(*receiver, *sender));
        }
    }
}

}  // namespace cstrike
