#include "VoiceRules.h"

#include <ivoiceserver.h>

#include <vector>

#include "BasePlayer.h"
#include "EntityList.h"

namespace cstrike {

VoiceRules::VoiceRules(EntityList& entities, IVoiceServer* voice, const CGlobalVars& globals)
    : m_Entities(entities), m_pVoice(voice), m_Globals(globals) {}

void VoiceRules::SetBanMask(int receiverIndex, std::uint64_t mask) {
    if (receiverIndex >= 1 && receiverIndex <= ABSOLUTE_PLAYER_LIMIT) {
        m_BanMasks[receiverIndex] = mask;
    }
}

bool VoiceRules::IsMuted(int receiverIndex, int senderIndex) const {
    if (receiverIndex < 1 || receiverIndex > ABSOLUTE_PLAYER_LIMIT || senderIndex < 1 ||
        senderIndex > ABSOLUTE_PLAYER_LIMIT) {
        return false;
    }
    return (m_BanMasks[receiverIndex] >> (senderIndex - 1)) & 1u;
}

bool VoiceRules::CanHear(CBasePlayer& receiver, CBasePlayer& sender) const {
    if (IsMuted(receiver.entindex(), sender.entindex())) {
        return false;
    }
    if (receiver.IsAlive() && sender.IsAlive()) {
        return receiver.GetTeamNumber() == sender.GetTeamNumber();
    }
    return !receiver.IsAlive() && !sender.IsAlive();
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
