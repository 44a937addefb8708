// Data description maps: the game library's description of each entity
// class's fields (saved and predicted state), chained to the base class's map.
// A field's offset is its byte offset in the entity object; a field of type
// FIELD_EMBEDDED carries the map of an embedded object, whose fields have
// their own offsets.
#pragma once

struct datamap_t;

enum fieldtype_t {
    FIELD_VOID = 0,
    FIELD_FLOAT,
    FIELD_STRING,
    FIELD_VECTOR,
    FIELD_QUATERNION,
    FIELD_INTEGER,
    FIELD_BOOLEAN,
    FIELD_SHORT,
    FIELD_CHARACTER,
    FIELD_COLOR32,
    FIELD_EMBEDDED,
    FIELD_CUSTOM,
    FIELD_CLASSPTR,
    FIELD_EHANDLE,
    FIELD_EDICT,
    FIELD_POSITION_VECTOR,
    FIELD_TIME,
    FIELD_TICK,
    FIELD_MODELNAME,
    FIELD_SOUNDNAME,
    FIELD_INPUT,
    FIELD_FUNCTION,
    FIELD_TYPECOUNT,
};

enum {
    TD_OFFSET_NORMAL = 0,
    TD_OFFSET_PACKED = 1,
    TD_OFFSET_COUNT,
};

struct typedescription_t {
    fieldtype_t fieldType = FIELD_VOID;
    const char* fieldName = nullptr;  // null for unnamed entries
    int fieldOffset[TD_OFFSET_COUNT] = {0, 0};
    unsigned short fieldSize = 1;
    short flags = 0;
    const char* externalName = nullptr;
    datamap_t* td = nullptr;  // FIELD_EMBEDDED only
    int fieldSizeInBytes = 0;
};

struct datamap_t {
    typedescription_t* dataDesc = nullptr;
    int dataNumFields = 0;
    const char* dataClassName = "";
    datamap_t* baseMap = nullptr;  // the base class's map, null at the root
};
