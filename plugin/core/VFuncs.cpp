#include "core/VFuncs.h"

#include "hook/HookTypes.h"

namespace {

// Calls the virtual function at `slot` of the object's table. A member
// function of the game's classes takes the object as its first argument, so
// a plain function pointer of that shape calls it (declared thiscall on
// 32-bit Windows, where `this` travels in ECX).
template <class R, class... Args>
R CallVirtual(void* object, int slot, Args... args) {
    using Function = R(TRAVIK_HOOK_THISCALL*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Function>(table[slot])(object, args...);
}

}  // namespace

datamap_t* CBaseEntity_GetDataDescMap(CBaseEntity* entity) {
    return CallVirtual<datamap_t*>(entity, VFuncSlots::CBaseEntity_GetDataDescMap);
}

CBaseCombatCharacter* CBaseEntity_MyCombatCharacterPointer(CBaseEntity* entity) {
    return CallVirtual<CBaseCombatCharacter*>(entity,
                                              VFuncSlots::CBaseEntity_MyCombatCharacterPointer);
}

CBaseCombatWeapon* CSSCBaseCombatCharacter_Weapon_GetSlot(CBaseCombatCharacter* character,
                                                          int slot) {
    return CallVirtual<CBaseCombatWeapon*>(
        character, VFuncSlots::CSSCBaseCombatCharacter_Weapon_GetSlot, slot);
}

Vector CBasePlayer_EyePosition(CBasePlayer* player) {
    return CallVirtual<Vector>(player, VFuncSlots::CBasePlayer_EyePosition);
}
