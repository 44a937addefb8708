#include "BaseEntity.h"

#include <server_class.h>

#include <cstdio>
#include <cstdlib>

#include "EntityList.h"
#include "ServerClasses.h"
#include "TableBuilder.h"

namespace cstrike {

void ReservedSlotCalled() {
    std::fputs("srcds-sim: a reserved virtual slot of a game entity was called\n", stderr);
    std::abort();
}

}  // namespace cstrike

using cstrike::DataEmbedded;
using cstrike::DataField;
using cstrike::DataUnnamed;
using cstrike::FieldOffset;
using cstrike::MakeDataMap;
using cstrike::MakeSendTable;
using cstrike::SendPropField;
using cstrike::SendPropTable;

IHandleEntity* CServerNetworkProperty::GetEntityHandle() {
    return m_pOuter;
}

ServerClass* CServerNetworkProperty::GetServerClass() {
    return m_pOuter->GetServerClass();
}

const char* CServerNetworkProperty::GetClassName() const {
    return m_pOuter->GetClassname();
}

void CServerNetworkProperty::Release() {
    if (cstrike::EntityList* list = m_pOuter->GetEntityList()) {
        list->Remove(m_pOuter);
    }
}

CBaseEntity::CBaseEntity(const char* classname, const char* model)
    : m_iClassname(classname ? classname : ""), m_ModelName(model ? model : "") {}

CBaseEntity::~CBaseEntity() = default;

void CBaseEntity::SetRefEHandle(const CBaseHandle& handle) {
    m_RefEHandle = handle;
}

const CBaseHandle& CBaseEntity::GetRefEHandle() const {
    return m_RefEHandle;
}

IServerNetworkable* CBaseEntity::GetNetworkable() {
    return &m_Network;
}

CBaseEntity* CBaseEntity::GetBaseEntity() {
    return this;
}

ServerClass* CBaseEntity::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CBaseEntity");
    return serverClass;
}

const char* CBaseEntity::GetClassname() const {
    return m_iClassname.c_str();
}

const char* CBaseEntity::GetModelName() const {
    return m_ModelName.c_str();
}

void CBaseEntity::Spawn() {}

void CBaseEntity::Use(CBaseEntity*) {}

int CBaseEntity::ObjectCaps() const {
    return 0;
}

datamap_t* CBaseEntity::GetDataDescMap() {
    return ClassDataMap();
}

CBaseCombatCharacter* CBaseEntity::MyCombatCharacterPointer() {
    return nullptr;
}

bool CBaseEntity::IsPlayer() const {
    return false;
}

bool CBaseEntity::IsAlive() const {
    return m_lifeState == LIFE_ALIVE;
}

Vector CBaseEntity::EyePosition() {
    return m_vecAbsOrigin + m_vecViewOffset;
}

const QAngle& CBaseEntity::EyeAngles() {
    return m_angRotation;
}

int CBaseEntity::entindex() const {
    return m_pEntityList && edict() ? m_RefEHandle.GetEntryIndex() : -1;
}

void CBaseEntity::BindToList(cstrike::EntityList* list, edict_t* edict, const CBaseHandle& handle) {
    m_pEntityList = list;
    m_Network.AttachEdict(edict);
    m_RefEHandle = handle;
}

void CBaseEntity::SetAbsVelocity(const Vector& velocity) {
    m_vecVelocity = velocity;
    m_flSpeed = velocity.Length();
}

void CBaseEntity::SetCollisionBounds(const Vector& mins, const Vector& maxs, int contents) {
    m_Collision.m_vecMins = mins;
    m_Collision.m_vecMaxs = maxs;
    m_Collision.m_nSolidType = SOLID_BBOX;
    m_Collision.m_nContents = contents;
}

CBaseEntity* CBaseEntity::Resolve(const CBaseHandle& handle) const {
    return m_pEntityList ? m_pEntityList->Lookup(handle) : nullptr;
}

CBaseEntity* CBaseEntity::GetMoveParent() const {
    return Resolve(m_Hierarchy.m_hMoveParent);
}

CBaseEntity* CBaseEntity::FirstMoveChild() const {
    return Resolve(m_Hierarchy.m_hMoveChild);
}

CBaseEntity* CBaseEntity::NextMovePeer() const {
    return Resolve(m_Hierarchy.m_hMovePeer);
}

void CBaseEntity::SetParent(CBaseEntity* parent) {
    DetachFromParent();
    if (!parent || parent == this || !m_pEntityList || parent->m_pEntityList != m_pEntityList) {
        return;
    }
    m_Hierarchy.m_hMoveParent = parent->m_RefEHandle;
    m_Hierarchy.m_hMovePeer = parent->m_Hierarchy.m_hMoveChild;
    parent->m_Hierarchy.m_hMoveChild = m_RefEHandle;
}

void CBaseEntity::DetachFromParent() {
    CBaseEntity* parent = GetMoveParent();
    if (parent) {
        CBaseHandle* link = &parent->m_Hierarchy.m_hMoveChild;
        for (CBaseEntity* child = Resolve(*link); child && child != this; child = Resolve(*link)) {
            link = &child->m_Hierarchy.m_hMovePeer;
        }
        if (*link == m_RefEHandle) {
            *link = m_Hierarchy.m_hMovePeer;
        }
    }
    m_Hierarchy.m_hMoveParent.Term();
    m_Hierarchy.m_hMovePeer.Term();
}

datamap_t* CBaseEntity::CollisionDataMap() {
    const int base = FieldOffset(&CBaseEntity::m_Collision);
    static typedescription_t fields[] = {
        DataField("m_vecMins", FIELD_VECTOR, base + FieldOffset(&CCollisionProperty::m_vecMins)),
        DataField("m_vecMaxs", FIELD_VECTOR, base + FieldOffset(&CCollisionProperty::m_vecMaxs)),
        DataField("m_nSolidType", FIELD_INTEGER,
                  base + FieldOffset(&CCollisionProperty::m_nSolidType)),
    };
    static datamap_t map = MakeDataMap(fields, "CCollisionProperty", nullptr);
    return &map;
}

datamap_t* CBaseEntity::HierarchyDataMap() {
    const int base = FieldOffset(&CBaseEntity::m_Hierarchy);
    static typedescription_t fields[] = {
        DataField("m_hMoveParent", FIELD_EHANDLE,
                  base + FieldOffset(&CEntityHierarchy::m_hMoveParent)),
        DataField("m_hMoveChild", FIELD_EHANDLE,
                  base + FieldOffset(&CEntityHierarchy::m_hMoveChild)),
        DataField("m_hMovePeer", FIELD_EHANDLE, base + FieldOffset(&CEntityHierarchy::m_hMovePeer)),
    };
    static datamap_t map = MakeDataMap(fields, "CEntityHierarchy", nullptr);
    return &map;
}

datamap_t* CBaseEntity::ClassDataMap() {
    static typedescription_t fields[] = {
        DataField("m_iClassname", FIELD_STRING, FieldOffset(&CBaseEntity::m_iClassname)),
        DataField("m_ModelName", FIELD_MODELNAME, FieldOffset(&CBaseEntity::m_ModelName)),
        DataField("m_vecAbsOrigin", FIELD_POSITION_VECTOR,
                  FieldOffset(&CBaseEntity::m_vecAbsOrigin)),
        DataField("m_angRotation", FIELD_VECTOR, FieldOffset(&CBaseEntity::m_angRotation)),
        DataField("m_vecVelocity", FIELD_VECTOR, FieldOffset(&CBaseEntity::m_vecVelocity)),
        DataField("m_flSpeed", FIELD_FLOAT, FieldOffset(&CBaseEntity::m_flSpeed)),
        DataField("m_vecViewOffset", FIELD_VECTOR, FieldOffset(&CBaseEntity::m_vecViewOffset)),
        DataField("m_fFlags", FIELD_INTEGER, FieldOffset(&CBaseEntity::m_fFlags)),
        DataField("m_MoveType", FIELD_CHARACTER, FieldOffset(&CBaseEntity::m_MoveType)),
        DataField("m_lifeState", FIELD_CHARACTER, FieldOffset(&CBaseEntity::m_lifeState)),
        DataField("m_iTeamNum", FIELD_INTEGER, FieldOffset(&CBaseEntity::m_iTeamNum)),
        DataField("m_iHealth", FIELD_INTEGER, FieldOffset(&CBaseEntity::m_iHealth)),
        DataUnnamed(FIELD_INPUT),
        DataEmbedded("m_Collision", FieldOffset(&CBaseEntity::m_Collision), CollisionDataMap()),
        DataEmbedded("m_Hierarchy", FieldOffset(&CBaseEntity::m_Hierarchy), HierarchyDataMap()),
    };
    static datamap_t map = MakeDataMap(fields, "CBaseEntity", nullptr);
    return &map;
}

SendTable* CBaseEntity::CollisionSendTable() {
    const int base = FieldOffset(&CBaseEntity::m_Collision);
    static SendProp props[] = {
        SendPropField("m_vecMins", DPT_Vector, base + FieldOffset(&CCollisionProperty::m_vecMins)),
        SendPropField("m_vecMaxs", DPT_Vector, base + FieldOffset(&CCollisionProperty::m_vecMaxs)),
        SendPropField("m_nSolidType", DPT_Int,
                      base + FieldOffset(&CCollisionProperty::m_nSolidType), 3),
    };
    static SendTable table = MakeSendTable(props, "DT_CollisionProperty");
    return &table;
}

SendTable* CBaseEntity::ClassSendTable() {
    static SendProp props[] = {
        SendPropField("m_vecOrigin", DPT_Vector, FieldOffset(&CBaseEntity::m_vecAbsOrigin)),
        SendPropField("m_angRotation", DPT_Vector, FieldOffset(&CBaseEntity::m_angRotation)),
        SendPropField("m_iTeamNum", DPT_Int, FieldOffset(&CBaseEntity::m_iTeamNum), 6),
        SendPropField("movetype", DPT_Int, FieldOffset(&CBaseEntity::m_MoveType), 4),
        SendPropField(
            "moveparent", DPT_Int,
            FieldOffset(&CBaseEntity::m_Hierarchy) + FieldOffset(&CEntityHierarchy::m_hMoveParent)),
        SendPropTable("m_Collision", FieldOffset(&CBaseEntity::m_Collision), CollisionSendTable()),
    };
    static SendTable table = MakeSendTable(props, "DT_BaseEntity");
    return &table;
}
