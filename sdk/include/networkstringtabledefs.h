// Tables of strings the server shares with its clients (model precache,
// downloadables, ...). Version "VEngineServerStringTable001" (engine factory).
#pragma once

#define INTERFACENAME_NETWORKSTRINGTABLESERVER "VEngineServerStringTable001"
#define INVALID_STRING_TABLE -1
#define INVALID_STRING_INDEX 0xFFFF

class INetworkStringTable {
public:
    // Slots, in order:
    //  0 GetTableName       4 AddString
    //  1 GetTableId         5 GetString
    //  2 GetNumStrings      6 FindStringIndex
    //  3 GetMaxStrings
    virtual const char* GetTableName() const = 0;
    virtual int GetTableId() const = 0;
    virtual int GetNumStrings() const = 0;
    virtual int GetMaxStrings() const = 0;
    // The string's index, or INVALID_STRING_INDEX when the table is full.
    virtual int AddString(bool isServer, const char* value, int userDataLength = -1,
                          const void* userData = nullptr) = 0;
    virtual const char* GetString(int index) = 0;
    virtual int FindStringIndex(const char* value) = 0;

protected:
    ~INetworkStringTable() = default;
};

class INetworkStringTableContainer {
public:
    // Slots, in order:
    //  0 CreateStringTable
    //  1 FindTable
    //  2 GetTable
    //  3 GetNumTables
    virtual INetworkStringTable* CreateStringTable(const char* tableName, int maxEntries) = 0;
    virtual INetworkStringTable* FindTable(const char* tableName) const = 0;
    virtual INetworkStringTable* GetTable(int table) const = 0;
    virtual int GetNumTables() const = 0;

protected:
    ~INetworkStringTableContainer() = default;
};
