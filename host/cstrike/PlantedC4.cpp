#include "PlantedC4.h"

#include "EntityList.h"
#include "ServerClasses.h"
#include "TableBuilder.h"

using cstrike::DataField;
using cstrike::FieldOffset;
using cstrike::SendPropField;

CPlantedC4::CPlantedC4(cstrike::IBombObserver* observer, float blowTime)
    : CBaseEntity("planted_c4", "models/weapons/w_c4_planted.mdl"),
      m_pObserver(observer),
      m_flC4Blow(blowTime) {}

ServerClass* CPlantedC4::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CPlantedC4");
    return serverClass;
}

void CPlantedC4::Use(CBaseEntity* activator) {
    if (m_bBombTicking && m_pObserver) {
        m_pObserver->OnBombUsed(*this, activator);
    }
}

int CPlantedC4::ObjectCaps() const {
    return m_bBombTicking ? FCAP_CONTINUOUS_USE : 0;
}

datamap_t* CPlantedC4::GetDataDescMap() {
    return ClassDataMap();
}

void CPlantedC4::StopTicking() {
    StopDefuse();
    m_bBombTicking = false;
}

CBaseEntity* CPlantedC4::GetDefuser() const {
    return m_pEntityList ? m_pEntityList->Lookup(m_hBombDefuser) : nullptr;
}

void CPlantedC4::StartDefuse(CBaseEntity* defuser, float endTime) {
    m_hBombDefuser = defuser ? defuser->GetRefEHandle() : CBaseHandle();
    m_flDefuseCountDown = endTime;
}

void CPlantedC4::StopDefuse() {
    m_hBombDefuser.Term();
    m_flDefuseCountDown = 0.0f;
}

datamap_t* CPlantedC4::ClassDataMap() {
    static typedescription_t fields[] = {
        DataField("m_flC4Blow", FIELD_TIME, FieldOffset(&CPlantedC4::m_flC4Blow)),
        DataField("m_bBombTicking", FIELD_BOOLEAN, FieldOffset(&CPlantedC4::m_bBombTicking)),
        DataField("m_hBombDefuser", FIELD_EHANDLE, FieldOffset(&CPlantedC4::m_hBombDefuser)),
        DataField("m_flDefuseCountDown", FIELD_TIME, FieldOffset(&CPlantedC4::m_flDefuseCountDown)),
    };
    static datamap_t map = cstrike::MakeDataMap(fields, "CPlantedC4", CBaseEntity::ClassDataMap());
    return &map;
}

SendTable* CPlantedC4::ClassSendTable() {
    static SendProp props[] = {
        cstrike::SendPropTable("baseclass", 0, CBaseEntity::ClassSendTable()),
        SendPropField("m_bBombTicking", DPT_Int, FieldOffset(&CPlantedC4::m_bBombTicking), 1),
        SendPropField("m_flC4Blow", DPT_Float, FieldOffset(&CPlantedC4::m_flC4Blow)),
        SendPropField("m_flDefuseCountDown", DPT_Float,
                      FieldOffset(&CPlantedC4::m_flDefuseCountDown)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_PlantedC4");
    return &table;
}
