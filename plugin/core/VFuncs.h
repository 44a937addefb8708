#pragma once

#include <mathlib/vector.h>

#include "core/BuildPlatform.h"

class CBaseEntity;
class CBaseCombatCharacter;
class CBaseCombatWeapon;
class CBasePlayer;
struct datamap_t;

// Virtual functions of the game's entity classes that no interface exposes,
// called by their slot in the entity's virtual table. The slots are those of
// the game library this plug-in serves (one lower in the Windows one).
namespace VFuncSlots {
constexpr int CBaseEntity_GetDataDescMap = BuildPlatform::GameSlot(12);
constexpr int CBaseEntity_MyCombatCharacterPointer = BuildPlatform::GameSlot(70);
constexpr int CBasePlayer_EyePosition = BuildPlatform::GameSlot(128);
constexpr int CSSCBaseCombatCharacter_Weapon_GetSlot = BuildPlatform::GameSlot(259);
}  // namespace VFuncSlots

datamap_t* CBaseEntity_GetDataDescMap(CBaseEntity* entity);
// The entity as a combat character, or null.
CBaseCombatCharacter* CBaseEntity_MyCombatCharacterPointer(CBaseEntity* entity);
// The weapon in that slot, or null.
CBaseCombatWeapon* CSSCBaseCombatCharacter_Weapon_GetSlot(CBaseCombatCharacter* character,
                                                          int slot);
Vector CBasePlayer_EyePosition(CBasePlayer* player);
