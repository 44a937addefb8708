#include "CSPlayer.h"

#include "ServerClasses.h"
#include "TableBuilder.h"

using cstrike::DataField;
using cstrike::FieldOffset;
using cstrike::SendPropField;
using cstrike::SendPropTable;

ServerClass* CCSPlayer::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CCSPlayer");
    return serverClass;
}

datamap_t* CCSPlayer::GetDataDescMap() {
    return ClassDataMap();
}

void CCSPlayer::SetAccount(int amount) {
    m_iAccount = amount < 0 ? 0 : (amount > kMaxAccount ? kMaxAccount : amount);
}

void CCSPlayer::AddAccount(int amount) {
    // In 64 bits, so that no amount can overflow the sum.
    const long long sum = static_cast<long long>(m_iAccount) + amount;
    SetAccount(sum > kMaxAccount ? kMaxAccount : static_cast<int>(sum < 0 ? 0 : sum));
}

void CCSPlayer::Blind(float duration, float maxAlpha) {
    m_flFlashDuration = duration;
    m_flFlashMaxAlpha = maxAlpha;
}

datamap_t* CCSPlayer::ClassDataMap() {
    static typedescription_t fields[] = {
        DataField("m_iAccount", FIELD_INTEGER, FieldOffset(&CCSPlayer::m_iAccount)),
        DataField("m_flFlashDuration", FIELD_FLOAT, FieldOffset(&CCSPlayer::m_flFlashDuration)),
        DataField("m_flFlashMaxAlpha", FIELD_FLOAT, FieldOffset(&CCSPlayer::m_flFlashMaxAlpha)),
        DataField("m_bHasDefuser", FIELD_BOOLEAN, FieldOffset(&CCSPlayer::m_bHasDefuser)),
    };
    static datamap_t map = cstrike::MakeDataMap(fields, "CCSPlayer", CBasePlayer::ClassDataMap());
    return &map;
}

SendTable* CCSPlayer::LocalDataSendTable() {
    static SendProp props[] = {
        SendPropField("m_vecOrigin", DPT_VectorXY, FieldOffset(&CCSPlayer::m_vecAbsOrigin)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_CSLocalPlayerExclusive");
    return &table;
}

SendTable* CCSPlayer::ClassSendTable() {
    const int eyeAngles = FieldOffset(&CCSPlayer::pl) + FieldOffset(&CPlayerState::v_angle);
    static SendProp props[] = {
        SendPropTable("baseclass", 0, CBasePlayer::ClassSendTable()),
        SendPropTable("cslocaldata", 0, LocalDataSendTable()),
        SendPropField("m_iAccount", DPT_Int, FieldOffset(&CCSPlayer::m_iAccount), 16),
        SendPropField("m_bHasDefuser", DPT_Int, FieldOffset(&CCSPlayer::m_bHasDefuser), 1),
        SendPropField("m_bIsDefusing", DPT_Int, FieldOffset(&CCSPlayer::m_bIsDefusing), 1),
        SendPropField("m_flFlashDuration", DPT_Float, FieldOffset(&CCSPlayer::m_flFlashDuration)),
        SendPropField("m_flFlashMaxAlpha", DPT_Float, FieldOffset(&CCSPlayer::m_flFlashMaxAlpha)),
        SendPropField("m_angEyeAngles[0]", DPT_Float, eyeAngles + FieldOffset(&QAngle::x)),
        SendPropField("m_angEyeAngles[1]", DPT_Float, eyeAngles + FieldOffset(&QAngle::y)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_CSPlayer");
    return &table;
}
