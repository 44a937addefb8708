// A weapon: an entity of its own (so it has an edict and an entity index)
// that rides on its owner as a move child while carried.
#pragma once

#include "BaseEntity.h"

// Weapon slots of Counter-Strike: Source.
#define WEAPON_SLOT_PRIMARY 0
#define WEAPON_SLOT_SECONDARY 1
#define WEAPON_SLOT_KNIFE 2
#define WEAPON_SLOT_GRENADE 3
#define WEAPON_SLOT_C4 4
#define WEAPON_SLOT_COUNT 5

class CBaseCombatCharacter;

class CBaseCombatWeapon : public CBaseEntity {
public:
    SDK_DELETING_DESTRUCTOR(CBaseCombatWeapon)
    // classname "weapon_ak47" and so on; the slot it occupies when carried.
    CBaseCombatWeapon(const char* classname, int slot, int price);

    ServerClass* GetServerClass() override;
    datamap_t* GetDataDescMap() override;
    static datamap_t* ClassDataMap();
    static SendTable* ClassSendTable();

    int GetSlot() const { return m_iSlot; }
    int GetPrice() const { return m_iPrice; }
    CBaseCombatCharacter* GetOwner() const;
    // Attaches the weapon to its new owner (null drops it).
    void SetOwner(CBaseCombatCharacter* owner);
    // Carried once and let go since; a weapon placed by the map is not.
    bool IsDropped() const { return m_bDropped; }

protected:
    int m_iSlot;
    int m_iPrice;
    CBaseHandle m_hOwner;
    bool m_bDropped = false;
};

namespace cstrike {

struct WeaponInfo {
    const char* classname;
    int slot;
    int price;
};

// The weapons of the game; null for an unknown name.
const WeaponInfo* FindWeaponInfo(const char* classname);

}  // namespace cstrike
