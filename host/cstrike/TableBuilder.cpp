#include "TableBuilder.h"

namespace cstrike {

SendProp SendPropField(const char* name, SendPropType type, int offset, int bits) {
    SendProp prop;
    prop.m_Type = type;
    prop.m_nBits = bits;
    prop.m_pVarName = name;
    prop.m_Offset = offset;
    return prop;
}

SendProp SendPropTable(const char* name, int offset, SendTable* table) {
    SendProp prop = SendPropField(name, DPT_DataTable, offset, 0);
    prop.m_pDataTable = table;
    return prop;
}

typedescription_t DataField(const char* name, fieldtype_t type, int offset, int count) {
    typedescription_t field;
    field.fieldType = type;
    field.fieldName = name;
    field.fieldOffset[TD_OFFSET_NORMAL] = offset;
    field.fieldSize = static_cast<unsigned short>(count);
    return field;
}

typedescription_t DataEmbedded(const char* name, int offset, datamap_t* map) {
    typedescription_t field = DataField(name, FIELD_EMBEDDED, offset);
    field.td = map;
    return field;
}

typedescription_t DataUnnamed(fieldtype_t type) {
    typedescription_t field;
    field.fieldType = type;
    return field;
}

}  // namespace cstrike
