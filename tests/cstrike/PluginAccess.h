// How the plug-in reaches the game's entities: server classes, send tables and
// data maps walked by name, and virtual functions called by slot number
// through the raw virtual table. On Linux (Itanium) `this` comes first, like
// the first parameter of a plain function; the 32-bit Windows game's
// functions are thiscall (`this` in ECX, the callee pops the arguments, a
// class returned by value comes back through a hidden pointer on the stack).
#pragma once

#include <datamap.h>
#include <dt_send.h>
#include <server_class.h>

#include <cstring>

#if defined(_WIN32) && defined(__i386__)
#define PLUGIN_ACCESS_THISCALL __attribute__((thiscall))
#else
#define PLUGIN_ACCESS_THISCALL
#endif

namespace plugin_access {

// The game's slots the plug-in calls, as each platform's game library has
// them. The Windows library's destructor takes slot 0 alone where g++ gives
// a virtual destructor two, so every slot there is one lower.
struct GameSlots {
#ifdef _WIN32
    static constexpr int kGetNetworkable = 3;
    static constexpr int kGetBaseEntity = 4;
    static constexpr int kGetDataDescMap = 11;
    static constexpr int kMyCombatCharacterPointer = 69;
    static constexpr int kEyePosition = 127;
    static constexpr int kWeaponGetSlot = 258;
    static constexpr int kFindUseEntity = 394;
#else
    static constexpr int kGetNetworkable = 4;
    static constexpr int kGetBaseEntity = 5;
    static constexpr int kGetDataDescMap = 12;
    static constexpr int kMyCombatCharacterPointer = 70;
    static constexpr int kEyePosition = 128;
    static constexpr int kWeaponGetSlot = 259;
    static constexpr int kFindUseEntity = 395;
#endif
};

inline ServerClass* FindServerClass(ServerClass* list, const char* name) {
    for (ServerClass* c = list; c; c = c->m_pNext) {
        if (std::strcmp(c->GetName(), name) == 0) {
            return c;
        }
    }
    return nullptr;
}

// Depth first into nested tables; the offset is the found property's own.
inline int FindSendProp(SendTable* table, const char* name) {
    for (int i = 0; table && i < table->GetNumProps(); ++i) {
        SendProp* prop = table->GetProp(i);
        if (std::strcmp(prop->GetName(), name) == 0) {
            return prop->GetOffset();
        }
        if (prop->GetDataTable()) {
            if (const int offset = FindSendProp(prop->GetDataTable(), name)) {
                return offset;
            }
        }
    }
    return 0;
}

// The map, then its base maps; embedded maps searched recursively, the
// embedded field's own offset. 0 is "not found".
inline int FindInDataMap(datamap_t* map, const char* name) {
    for (; map; map = map->baseMap) {
        for (int i = 0; i < map->dataNumFields; ++i) {
            const typedescription_t& field = map->dataDesc[i];
            if (!field.fieldName) {
                continue;
            }
            if (std::strcmp(field.fieldName, name) == 0) {
                return field.fieldOffset[TD_OFFSET_NORMAL];
            }
            if (field.td) {
                if (const int offset = FindInDataMap(field.td, name)) {
                    return offset;
                }
            }
        }
    }
    return 0;
}

template <class R, class... Args>
R CallSlot(void* object, int slot, Args... args) {
    using Function = R(PLUGIN_ACCESS_THISCALL*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Function>(table[slot])(object, args...);
}

template <class T>
T& FieldAt(void* entity, int offset) {
    return *reinterpret_cast<T*>(static_cast<char*>(entity) + offset);
}

}  // namespace plugin_access
