#include "engine/StringTables.h"

#include <cstring>

namespace sim {

int StringTable::AddString(bool, const char* value, int, const void*) {
    if (!value)
        return INVALID_STRING_INDEX;
    const int existing = FindStringIndex(value);
    if (existing != INVALID_STRING_INDEX)
        return existing;
    if (GetNumStrings() >= m_max)
        return INVALID_STRING_INDEX;
    m_strings.emplace_back(value);
    return GetNumStrings() - 1;
}

const char* StringTable::GetString(int index) {
    if (index < 0 || index >= GetNumStrings())
        return nullptr;
    return m_strings[static_cast<size_t>(index)].c_str();
}

int StringTable::FindStringIndex(const char* value) {
    for (int i = 0; value && i < GetNumStrings(); ++i)
        if (m_strings[static_cast<size_t>(i)] == value)
            return i;
    return INVALID_STRING_INDEX;
}

INetworkStringTable* StringTables::CreateStringTable(const char* tableName, int maxEntries) {
    if (!tableName || FindTable(tableName) || maxEntries <= 0)
        return nullptr;
    m_tables.push_back(std::make_unique<StringTable>(tableName, GetNumTables(), maxEntries));
    return m_tables.back().get();
}

INetworkStringTable* StringTables::FindTable(const char* tableName) const {
    for (const auto& table : m_tables)
        if (tableName && std::strcmp(table->GetTableName(), tableName) == 0)
            return table.get();
    return nullptr;
}

INetworkStringTable* StringTables::GetTable(int table) const {
    if (table < 0 || table >= GetNumTables())
        return nullptr;
    return m_tables[static_cast<size_t>(table)].get();
}

}  // namespace sim
