// Send tables: the game library's description of each entity class's
// networked fields. A property's offset is its byte offset in the entity
// object; a property of type DPT_DataTable carries a nested table whose
// properties have their own offsets.
#pragma once

class SendTable;

enum SendPropType {
    DPT_Int = 0,
    DPT_Float,
    DPT_Vector,
    DPT_VectorXY,
    DPT_String,
    DPT_Array,
    DPT_DataTable,
    DPT_NUMSendPropTypes,
};

class SendProp {
public:
    SendPropType m_Type = DPT_Int;
    int m_nBits = 32;
    float m_fLowValue = 0.0f;
    float m_fHighValue = 0.0f;
    int m_nElements = 1;          // for arrays
    const char* m_pVarName = "";  // "m_iAccount", ...
    int m_Offset = 0;
    SendTable* m_pDataTable = nullptr;  // DPT_DataTable only
    int m_Flags = 0;

    const char* GetName() const { return m_pVarName; }
    SendPropType GetType() const { return m_Type; }
    int GetOffset() const { return m_Offset; }
    void SetOffset(int offset) { m_Offset = offset; }
    SendTable* GetDataTable() const { return m_pDataTable; }
    int GetNumElements() const { return m_nElements; }
    int GetFlags() const { return m_Flags; }
};

class SendTable {
public:
    SendProp* m_pProps = nullptr;
    int m_nProps = 0;
    const char* m_pNetTableName = "";  // "DT_CSPlayer", ...

    const char* GetName() const { return m_pNetTableName; }
    int GetNumProps() const { return m_nProps; }
    SendProp* GetProp(int i) { return (i >= 0 && i < m_nProps) ? &m_pProps[i] : nullptr; }
};
