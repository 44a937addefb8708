#include "fixes/CashCalling.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <cstdlib>
#include <cstring>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/InternalVarAccessor.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/VFuncs.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

ConVar tk_allowcashcalling("tk_allowcashcalling", "1", 0,
                           "Enable/Disable ability to display team cash situation "
                           "(0=Disable/1=Enable/2=Allow Automatic Calling)",
                           true, 0.0f, true, 2.0f, CashCalling::onTKAllowCashCallingChange);

namespace {

constexpr int kTerrorists = 2;
constexpr int kCounterTerrorists = 3;
constexpr int kPrimarySlot = 0;
// tk_allowcashcalling's value that also allows the list at round start.
constexpr int kAllowAutomatic = 2;

bool IsPlayingTeam(int team) {
    return team == kTerrorists || team == kCounterTerrorists;
}

// A team calls automatically only when there is somebody to call to and
// it is small enough to call at all.
bool QualifiesForAutomatic(int team) {
    const int humans = PlayerIdentity::GetNumActualPlayersOnTeam(team);
    return humans >= 2 && humans <= CashCalling::kMaxTeamSize;
}

// The client's own setting, as an integer: anything above 0 asks for the
// list. Text that is not a number reads 0; a huge number still asks.
bool WantsAutomaticList(const char* value) {
    return std::strtol(value, nullptr, 10) > 0;
}

}  // namespace

void CashCalling::CallCash(edict_t* player) {
    if (!travik::IsActive()) {
        return;
    }
    IPlayerInfo* info = PlayerInfoOf(player);
    if (!info || !info->IsPlayer()) {
        return;
    }
    const int team = info->GetTeamIndex();
    if (!IsPlayingTeam(team)) {
        return;
    }
    if (const char* refusal = Refusal(info->IsDead() || info->IsObserver(), team)) {
        g_host.engine->ClientPrintf(player, refusal);
        return;
    }
    SendTeamCash(player, team);
}

const char* CashCalling::Refusal(bool deadOrObserver, int team) {
    if (tk_allowcashcalling.GetInt() == 0) {
        return "[Travik] This command is currently disabled\n";
    }
    if (!travik::IsWarMode()) {
        return "[Travik] This command may only be used when tk_warmode is enabled\n";
    }
    if (!travik::IsFreezeTime() && !deadOrObserver) {
        return "[Travik] This command is only available during freeze-time\n";
    }
    if (PlayerIdentity::GetNumActualPlayersOnTeam(team) > kMaxTeamSize) {
        return "[Travik] This command is not available with more than 6 players on your "
               "team\n";
    }
    return nullptr;
}

// The list is sorted by insertion, so that players the order calls equal
// keep their slot order: the same list on every call.
void CashCalling::SendTeamCash(edict_t* caller, int team) {
    CashPlayer players[kMaxPlayerSlots];
    int count = 0;
    InternalVarAccessor* fields = travik::getInternalVarAccessor();
    for (int index = 1; index <= GetMaxClients() && count < kMaxPlayerSlots; ++index) {
        edict_t* edict = nullptr;
        IPlayerInfo* info = GetRealPlayerInfo(index, &edict);
        if (!info || info->GetTeamIndex() != team) {
            continue;
        }
        CashPlayer entry(edict, fields->GetPlayerCash(edict), HasPrimaryWeapon(edict));
        int at = count++;
        for (; at > 0 && compareCashPlayers(entry, players[at - 1]); --at) {
            players[at] = players[at - 1];
        }
        players[at] = entry;
    }
    Messaging::SendSingleMessage(caller, " \n");
    Messaging::SendSingleMessage(caller, "\x03[Travik] Team Cash:\n");
    FixedBuffer<128> line;
    for (int i = 0; i < count; ++i) {
        const std::string name = PlayerIdentity::ChatName(players[i].getpEdict());
        Messaging::SendSingleMessage(
            caller, line.Format("\x04%s:\x03 $%i%s\n", name.c_str(), players[i].getCash(),
                                players[i].getPrimaryWeapon() ? "+" : ""));
    }
}

bool CashCalling::compareCashPlayers(const CashPlayer& a, const CashPlayer& b) {
    if (a.getCash() != b.getCash()) {
        return a.getCash() > b.getCash();
    }
    return a.getPrimaryWeapon() && !b.getPrimaryWeapon();
}

bool CashCalling::HasPrimaryWeapon(edict_t* player) {
    if (!player || player->IsFree() || !g_host.gameEnts) {
        return false;
    }
    CBaseEntity* entity = g_host.gameEnts->EdictToBaseEntity(player);
    CBaseCombatCharacter* character =
        entity ? CBaseEntity_MyCombatCharacterPointer(entity) : nullptr;
    return character && CSSCBaseCombatCharacter_Weapon_GetSlot(character, kPrimarySlot);
}

// The living players of a qualifying team are asked (the game has respawned
// last round's dead before round_start). A player whose setting the host
// cannot give is passed over; the players after him still get their list.
void CashCalling::OnRoundStart() {
    if (tk_allowcashcalling.GetInt() != kAllowAutomatic || !travik::IsWarMode() ||
        !travik::IsFreezeTime()) {
        return;
    }
    const bool terrorists = QualifiesForAutomatic(kTerrorists);
    const bool counterTerrorists = QualifiesForAutomatic(kCounterTerrorists);
    if (!terrorists && !counterTerrorists) {
        return;
    }
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        IPlayerInfo* info = GetRealPlayerInfo(index, &edict);
        const int team = info && !info->IsDead() && !info->IsObserver() ? info->GetTeamIndex() : 0;
        if ((team == kTerrorists && terrorists) ||
            (team == kCounterTerrorists && counterTerrorists)) {
            const char* wanted = PlayerIdentity::ClientSetting(edict, "tk_wantautocashcalling");
            if (wanted && WantsAutomaticList(wanted)) {
                CallCash(edict);
            }
        }
    }
}

void CashCalling::onTKAllowCashCallingChange(IConVar*, const char* oldValue, float) {
    const char* value = tk_allowcashcalling.GetString();
    if (!travik::IsActive() || (oldValue && std::strcmp(value, oldValue) == 0)) {
        return;
    }
    tkLog(false, "tk_allowcashcalling changed now \"%s\"\n", value);
    switch (tk_allowcashcalling.GetInt()) {
        case 1:
            Messaging::SendAllMessage("\x03Travik:\x04 Team cash calling enabled\n");
            break;
        case kAllowAutomatic:
            Messaging::SendAllMessage("\x03Travik:\x04 Team cash calling enabled (Auto Allowed)\n");
            break;
        default:
            Messaging::SendAllMessage("\x03Travik:\x04 Team cash calling disabled\n");
            break;
    }
}
