// The game library's list of networked entity classes
// (IServerGameDLL::GetAllServerClasses), each with its send table.
#pragma once

#include <dt_send.h>

class ServerClass {
public:
    const char* m_pNetworkName = "";  // "CCSPlayer", "CBaseEntity", ...
    SendTable* m_pTable = nullptr;
    ServerClass* m_pNext = nullptr;  // next class of the list, null at the end
    int m_ClassID = 0;
    int m_InstanceBaselineIndex = -1;

    const char* GetName() const { return m_pNetworkName; }
};
