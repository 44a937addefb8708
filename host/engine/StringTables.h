// "VEngineServerStringTable001": tables of strings shared with clients.
#pragma once

#include <networkstringtabledefs.h>

#include <memory>
#include <string>
#include <vector>

namespace sim {

class StringTable final : public INetworkStringTable {
public:
    StringTable(std::string name, int id, int maxStrings)
        : m_name(std::move(name)), m_id(id), m_max(maxStrings) {}
    const char* GetTableName() const override { return m_name.c_str(); }
    int GetTableId() const override { return m_id; }
    int GetNumStrings() const override { return static_cast<int>(m_strings.size()); }
    int GetMaxStrings() const override { return m_max; }
    int AddString(bool isServer, const char* value, int userDataLength,
                  const void* userData) override;
    const char* GetString(int index) override;
    int FindStringIndex(const char* value) override;

private:
    std::string m_name;
    int m_id;
    int m_max;
    std::vector<std::string> m_strings;
};

class StringTables final : public INetworkStringTableContainer {
public:
    INetworkStringTable* CreateStringTable(const char* tableName, int maxEntries) override;
    INetworkStringTable* FindTable(const char* tableName) const override;
    INetworkStringTable* GetTable(int table) const override;
    int GetNumTables() const override { return static_cast<int>(m_tables.size()); }

private:
    std::vector<std::unique_ptr<StringTable>> m_tables;
};

}  // namespace sim
