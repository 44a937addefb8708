// An entity that carries weapons, one per slot.
#pragma once

#include "BaseCombatWeapon.h"
#include "BaseEntity.h"

class CBaseCombatCharacter : public CBaseEntity {
public:
    SDK_DELETING_DESTRUCTOR(CBaseCombatCharacter)
    using CBaseEntity::CBaseEntity;

    datamap_t* GetDataDescMap() override;
    CBaseCombatCharacter* MyCombatCharacterPointer() override;
    CSTRIKE_RESERVED_SLOTS_64(slot140_)  // 140-203
    CSTRIKE_RESERVED_SLOTS_32(slot204_)  // 204-235
    CSTRIKE_RESERVED_SLOTS_16(slot236_)  // 236-251
    CSTRIKE_RESERVED_SLOTS_4(slot252_)   // 252-255
    CSTRIKE_RESERVED_SLOTS_2(slot256_)   // 256-257
    CSTRIKE_RESERVED_SLOTS_1(slot258_)   // 258
    // The weapon carried in that slot, or null.
    virtual CBaseCombatWeapon* Weapon_GetSlot(int slot) const;  // 259
    // Takes the weapon into its slot, dropping what was there.
    virtual void Weapon_Equip(CBaseCombatWeapon* weapon);  // 260

    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    // Lets go of the weapon (it stays in the world); false when not carried.
    bool Weapon_Detach(CBaseCombatWeapon* weapon);
    CBaseCombatWeapon* GetActiveWeapon() const;

protected:
    CBaseHandle m_hMyWeapons[WEAPON_SLOT_COUNT];
    CBaseHandle m_hActiveWeapon;
};
