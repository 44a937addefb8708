#include "BasePlayer.h"

#include <in_buttons.h>

#include <cmath>
#include <cstdlib>

#include "EntityList.h"
#include "ServerClasses.h"
#include "TableBuilder.h"

using cstrike::DataEmbedded;
using cstrike::DataField;
using cstrike::FieldOffset;
using cstrike::SendPropField;
using cstrike::SendPropTable;

CBasePlayer::CBasePlayer() : CBaseCombatCharacter("player") {
    m_vecViewOffset = VEC_VIEW;
}

ServerClass* CBasePlayer::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CBasePlayer");
    return serverClass;
}

datamap_t* CBasePlayer::GetDataDescMap() {
    return ClassDataMap();
}

bool CBasePlayer::IsPlayer() const {
    return true;
}

Vector CBasePlayer::EyePosition() {
    return m_vecAbsOrigin + ((m_fFlags & FL_DUCKING) ? VEC_DUCK_VIEW : m_vecViewOffset);
}

const QAngle& CBasePlayer::EyeAngles() {
    return pl.v_angle;
}

CBaseEntity* CBasePlayer::FindUseEntity() {
    if (!m_pEntityList) {
        return nullptr;
    }
    const Vector eyes = EyePosition();
    CBaseEntity* nearest = nullptr;
    float nearestDistance = kUseRange * kUseRange;
    m_pEntityList->ForEach([&](CBaseEntity& entity) {
        if (&entity == this || !(entity.ObjectCaps() & (FCAP_IMPULSE_USE | FCAP_CONTINUOUS_USE))) {
            return;
        }
        const float distance = (entity.GetAbsOrigin() - eyes).LengthSqr();
        if (distance <= nearestDistance) {
            nearest = &entity;
            nearestDistance = distance;
        }
    });
    return nearest;
}

void CBasePlayer::SetIdentity(int userId, const char* name, const char* networkId) {
    m_iUserID = userId;
    m_szNetname = name ? name : "";
    m_szNetworkID = networkId ? networkId : "";
}

void CBasePlayer::StartObserverMode(int mode) {
    m_iObserverMode = mode;
    SetMoveType(MOVETYPE_OBSERVER);
}

void CBasePlayer::StopObserverMode() {
    m_iObserverMode = OBS_MODE_NONE;
    m_hObserverTarget.Term();
}

CBasePlayer* CBasePlayer::GetObserverTarget() const {
    CBaseEntity* target = Resolve(m_hObserverTarget);
    return target && target->IsPlayer() ? static_cast<CBasePlayer*>(target) : nullptr;
}

void CBasePlayer::SetObserverTarget(CBasePlayer* target) {
    m_hObserverTarget = target ? target->GetRefEHandle() : CBaseHandle();
}

void CBasePlayer::SetLerpTimeFromInterp(const char* clInterp) {
    char* end = nullptr;
    const float value = clInterp ? std::strtof(clInterp, &end) : 0.0f;
    if (!clInterp || end == clInterp || !std::isfinite(value)) {
        m_fLerpTime = 0.1f;
        return;
    }
    m_fLerpTime = value < 0.0f ? 0.0f : (value > 0.5f ? 0.5f : value);
}

void CBasePlayer::SetButtons(int buttons) {
    m_afButtonLast = m_nButtons;
    m_nButtons = buttons;
}

CBaseEntity* CBasePlayer::PlayerUse() {
    if (!(m_nButtons & IN_USE) || !IsAlive()) {
        return nullptr;
    }
    CBaseEntity* found = FindUseEntity();
    if (!found) {
        return nullptr;
    }
    const int caps = found->ObjectCaps();
    const bool pressed = !(m_afButtonLast & IN_USE);
    if ((caps & FCAP_CONTINUOUS_USE) || ((caps & FCAP_IMPULSE_USE) && pressed)) {
        found->Use(this);
    }
    return found;
}

void CBasePlayer::ResetScores() {
    m_iFrags = 0;
    m_iDeaths = 0;
}

datamap_t* CBasePlayer::PlayerStateDataMap() {
    const int base = FieldOffset(&CBasePlayer::pl);
    static typedescription_t fields[] = {
        DataField("v_angle", FIELD_VECTOR, base + FieldOffset(&CPlayerState::v_angle)),
        DataField("deadflag", FIELD_BOOLEAN, base + FieldOffset(&CPlayerState::deadflag)),
    };
    static datamap_t map = cstrike::MakeDataMap(fields, "CPlayerState", nullptr);
    return &map;
}

datamap_t* CBasePlayer::ClassDataMap() {
    static typedescription_t fields[] = {
        DataEmbedded("pl", FieldOffset(&CBasePlayer::pl), PlayerStateDataMap()),
        DataField("m_fLerpTime", FIELD_FLOAT, FieldOffset(&CBasePlayer::m_fLerpTime)),
        DataField("m_iObserverMode", FIELD_INTEGER, FieldOffset(&CBasePlayer::m_iObserverMode)),
        DataField("m_hObserverTarget", FIELD_EHANDLE, FieldOffset(&CBasePlayer::m_hObserverTarget)),
        DataField("m_flMaxspeed", FIELD_FLOAT, FieldOffset(&CBasePlayer::m_flMaxspeed)),
        DataField("m_nButtons", FIELD_INTEGER, FieldOffset(&CBasePlayer::m_nButtons)),
    };
    static datamap_t map =
        cstrike::MakeDataMap(fields, "CBasePlayer", CBaseCombatCharacter::ClassDataMap());
    return &map;
}

SendTable* CBasePlayer::PlayerStateSendTable() {
    const int base = FieldOffset(&CBasePlayer::pl);
    static SendProp props[] = {
        SendPropField("deadflag", DPT_Int, base + FieldOffset(&CPlayerState::deadflag), 1),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_PlayerState");
    return &table;
}

SendTable* CBasePlayer::LocalDataSendTable() {
    const int velocity = FieldOffset(&CBasePlayer::m_vecVelocity);
    static SendProp props[] = {
        SendPropField("m_vecViewOffset", DPT_Vector, FieldOffset(&CBasePlayer::m_vecViewOffset)),
        SendPropField("m_vecVelocity[0]", DPT_Float, velocity + FieldOffset(&Vector::x)),
        SendPropField("m_vecVelocity[1]", DPT_Float, velocity + FieldOffset(&Vector::y)),
        SendPropField("m_vecVelocity[2]", DPT_Float, velocity + FieldOffset(&Vector::z)),
        SendPropField("m_flMaxspeed", DPT_Float, FieldOffset(&CBasePlayer::m_flMaxspeed)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_LocalPlayerExclusive");
    return &table;
}

SendTable* CBasePlayer::ClassSendTable() {
    static SendProp props[] = {
        SendPropTable("baseclass", 0, CBaseCombatCharacter::ClassSendTable()),
        SendPropTable("pl", FieldOffset(&CBasePlayer::pl), PlayerStateSendTable()),
        SendPropTable("localdata", 0, LocalDataSendTable()),
        SendPropField("m_iHealth", DPT_Int, FieldOffset(&CBasePlayer::m_iHealth), 10),
        SendPropField("m_lifeState", DPT_Int, FieldOffset(&CBasePlayer::m_lifeState), 3),
        SendPropField("m_fFlags", DPT_Int, FieldOffset(&CBasePlayer::m_fFlags), 10),
        SendPropField("m_iObserverMode", DPT_Int, FieldOffset(&CBasePlayer::m_iObserverMode), 3),
        SendPropField("m_hObserverTarget", DPT_Int, FieldOffset(&CBasePlayer::m_hObserverTarget),
                      21),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_BasePlayer");
    return &table;
}
