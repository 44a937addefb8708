#pragma once

#include <mathlib/vector.h>

class CBaseEntity;
class CBaseCombatCharacter;
class CBaseCombatWeapon;
class CBasePlayer;
struct datamap_t;

// Virtual functions of the game's entity classes that no interface exposes,
// called by their slot in the entity's virtual table. The slots are those of
// the game library this plug-in serves; another build needs other numbers.
namespace VFuncSlots {
constexpr int CBaseEntity_GetDataDescMap = 12;
constexpr int CBaseEntity_MyCombatCharacterPointer = 70;
constexpr int CBasePlayer_EyePosition = 128;
constexpr int CSSCBaseCombatCharacter_Weapon_GetSlot = 259;
}  // namespace VFuncSlots

datamap_t* CBaseEntity_GetDataDescMap(CBaseEntity* entity);
// The entity as a combat character, or null.
CBaseCombatCharacter* CBaseEntity_MyCombatCharacterPointer(CBaseEntity* entity);
// The weapon in that slot, or null.
CBaseCombatWeapon* CSSCBaseCombatCharacter_Weapon_GetSlot(CBaseCombatCharacter* character,
                                                          int slot);
Vector CBasePlayer_EyePosition(CBasePlayer* player);
