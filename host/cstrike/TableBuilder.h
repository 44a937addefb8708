// Helpers for the classes' send tables and data maps. Every offset in them is
// the field's byte offset from the start of the entity object, also inside
// nested tables and embedded maps: whoever finds a field by name uses the
// offset of the entry that names it, without adding the offsets of the
// entries through which its table was reached.
#pragma once

#include <datamap.h>
#include <dt_send.h>

#include <bit>
#include <cstddef>

namespace cstrike {

// The byte offset of a data member in its class (the Itanium ABI represents a
// pointer to data member as that offset). The entity classes derive in one
// line from CBaseEntity, so it is also the offset from the entity pointer.
template <class C, class T>
int FieldOffset(T C::*member) {
    static_assert(sizeof(member) == sizeof(std::ptrdiff_t), "a data member pointer is an offset");
    return static_cast<int>(std::bit_cast<std::ptrdiff_t>(member));
}

SendProp SendPropField(const char* name, SendPropType type, int offset, int bits = 32);
// A nested table reached through a property of its own.
SendProp SendPropTable(const char* name, int offset, SendTable* table);

typedescription_t DataField(const char* name, fieldtype_t type, int offset, int count = 1);
// An embedded object whose fields are described by their own map.
typedescription_t DataEmbedded(const char* name, int offset, datamap_t* map);
// An entry without a name (an input or output binding in the real maps).
typedescription_t DataUnnamed(fieldtype_t type);

template <std::size_t N>
SendTable MakeSendTable(SendProp (&props)[N], const char* name) {
    return SendTable{props, static_cast<int>(N), name};
}

template <std::size_t N>
datamap_t MakeDataMap(typedescription_t (&fields)[N], const char* name, datamap_t* baseMap) {
    return datamap_t{fields, static_cast<int>(N), name, baseMap};
}

}  // namespace cstrike
