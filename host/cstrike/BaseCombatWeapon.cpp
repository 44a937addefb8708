#include "BaseCombatWeapon.h"

#include <cstring>

#include "BaseCombatCharacter.h"
#include "EntityList.h"
#include "ServerClasses.h"
#include "TableBuilder.h"

using cstrike::DataField;
using cstrike::FieldOffset;

CBaseCombatWeapon::CBaseCombatWeapon(const char* classname, int slot, int price)
    : CBaseEntity(classname), m_iSlot(slot), m_iPrice(price) {}

ServerClass* CBaseCombatWeapon::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CWeaponCSBase");
    return serverClass;
}

datamap_t* CBaseCombatWeapon::GetDataDescMap() {
    return ClassDataMap();
}

CBaseCombatCharacter* CBaseCombatWeapon::GetOwner() const {
    CBaseEntity* owner = m_pEntityList ? m_pEntityList->Lookup(m_hOwner) : nullptr;
    return owner ? owner->MyCombatCharacterPointer() : nullptr;
}

void CBaseCombatWeapon::SetOwner(CBaseCombatCharacter* owner) {
    if (owner) {
        m_hOwner = owner->GetRefEHandle();
    } else if (m_hOwner.IsValid()) {
        m_hOwner.Term();
        m_bDropped = true;
    }
    SetParent(owner);
}

datamap_t* CBaseCombatWeapon::ClassDataMap() {
    static typedescription_t fields[] = {
        DataField("m_iSlot", FIELD_INTEGER, FieldOffset(&CBaseCombatWeapon::m_iSlot)),
        DataField("m_hOwner", FIELD_EHANDLE, FieldOffset(&CBaseCombatWeapon::m_hOwner)),
    };
    static datamap_t map =
        cstrike::MakeDataMap(fields, "CBaseCombatWeapon", CBaseEntity::ClassDataMap());
    return &map;
}

SendTable* CBaseCombatWeapon::ClassSendTable() {
    static SendProp props[] = {
        cstrike::SendPropTable("baseclass", 0, CBaseEntity::ClassSendTable()),
        cstrike::SendPropField("m_hOwner", DPT_Int, FieldOffset(&CBaseCombatWeapon::m_hOwner)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_WeaponCSBase");
    return &table;
}

namespace cstrike {

const WeaponInfo* FindWeaponInfo(const char* classname) {
    static const WeaponInfo weapons[] = {
        {"weapon_knife", WEAPON_SLOT_KNIFE, 0},
        {"weapon_glock", WEAPON_SLOT_SECONDARY, 400},
        {"weapon_usp", WEAPON_SLOT_SECONDARY, 500},
        {"weapon_deagle", WEAPON_SLOT_SECONDARY, 650},
        {"weapon_ak47", WEAPON_SLOT_PRIMARY, 2500},
        {"weapon_m4a1", WEAPON_SLOT_PRIMARY, 3100},
        {"weapon_awp", WEAPON_SLOT_PRIMARY, 4750},
        {"weapon_flashbang", WEAPON_SLOT_GRENADE, 200},
        {"weapon_hegrenade", WEAPON_SLOT_GRENADE, 300},
        {"weapon_c4", WEAPON_SLOT_C4, 0},
    };
    for (const WeaponInfo& weapon : weapons) {
        if (classname && std::strcmp(weapon.classname, classname) == 0) {
            return &weapon;
        }
    }
    return nullptr;
}

}  // namespace cstrike
