#include "BaseCombatCharacter.h"

#include "EntityList.h"
#include "TableBuilder.h"

using cstrike::DataField;
using cstrike::FieldOffset;

datamap_t* CBaseCombatCharacter::GetDataDescMap() {
    return ClassDataMap();
}

CBaseCombatCharacter* CBaseCombatCharacter::MyCombatCharacterPointer() {
    return this;
}

CBaseCombatWeapon* CBaseCombatCharacter::Weapon_GetSlot(int slot) const {
    if (slot < 0 || slot >= WEAPON_SLOT_COUNT || !m_pEntityList) {
        return nullptr;
    }
    return static_cast<CBaseCombatWeapon*>(m_pEntityList->Lookup(m_hMyWeapons[slot]));
}

void CBaseCombatCharacter::Weapon_Equip(CBaseCombatWeapon* weapon) {
    const int slot = weapon ? weapon->GetSlot() : -1;
    if (slot < 0 || slot >= WEAPON_SLOT_COUNT || weapon->GetEntityList() != m_pEntityList) {
        return;
    }
    if (CBaseCombatCharacter* previous = weapon->GetOwner()) {
        previous->Weapon_Detach(weapon);
    }
    if (CBaseCombatWeapon* carried = Weapon_GetSlot(slot)) {
        Weapon_Detach(carried);
    }
    m_hMyWeapons[slot] = weapon->GetRefEHandle();
    weapon->SetOwner(this);
    if (!GetActiveWeapon()) {
        m_hActiveWeapon = weapon->GetRefEHandle();
    }
}

bool CBaseCombatCharacter::Weapon_Detach(CBaseCombatWeapon* weapon) {
    const int slot = weapon ? weapon->GetSlot() : -1;
    if (slot < 0 || slot >= WEAPON_SLOT_COUNT || Weapon_GetSlot(slot) != weapon) {
        return false;
    }
    m_hMyWeapons[slot].Term();
    if (m_hActiveWeapon == weapon->GetRefEHandle()) {
        m_hActiveWeapon.Term();
    }
    weapon->SetOwner(nullptr);
    return true;
}

CBaseCombatWeapon* CBaseCombatCharacter::GetActiveWeapon() const {
    return m_pEntityList ? static_cast<CBaseCombatWeapon*>(m_pEntityList->Lookup(m_hActiveWeapon))
                         : nullptr;
}

datamap_t* CBaseCombatCharacter::ClassDataMap() {
    static typedescription_t fields[] = {
        DataField("m_hMyWeapons", FIELD_EHANDLE, FieldOffset(&CBaseCombatCharacter::m_hMyWeapons),
                  WEAPON_SLOT_COUNT),
        DataField("m_hActiveWeapon", FIELD_EHANDLE,
                  FieldOffset(&CBaseCombatCharacter::m_hActiveWeapon)),
    };
    static datamap_t map =
        cstrike::MakeDataMap(fields, "CBaseCombatCharacter", CBaseEntity::ClassDataMap());
    return &map;
}

SendTable* CBaseCombatCharacter::ClassSendTable() {
    static SendProp props[] = {
        cstrike::SendPropTable("baseclass", 0, CBaseEntity::ClassSendTable()),
        cstrike::SendPropField("m_hActiveWeapon", DPT_Int,
                               FieldOffset(&CBaseCombatCharacter::m_hActiveWeapon)),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_BaseCombatCharacter");
    return &table;
}
