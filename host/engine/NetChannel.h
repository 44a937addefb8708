// A human client's network channel as a plug-in reads it
// (IVEngineServer::GetPlayerNetInfo): its "ip:port" address and statistics.
#pragma once

#include <edict.h>
#include <inetchannelinfo.h>

#include <string>

namespace sim {

class NetChannel final : public INetChannelInfo {
public:
    NetChannel(std::string address, const CGlobalVars& globals)
        : m_address(std::move(address)), m_globals(globals), m_connectedAt(globals.realtime) {}

    const char* GetName() const override { return m_address.c_str(); }
    const char* GetAddress() const override { return m_address.c_str(); }
    float GetTime() const override { return m_globals.realtime; }
    float GetTimeConnected() const override { return m_globals.realtime - m_connectedAt; }
    bool IsLoopback() const override { return false; }
    bool IsTimingOut() const override { return false; }
    float GetLatency(int) const override { return 0.025f; }
    float GetAvgLatency(int) const override { return 0.025f; }
    float GetAvgLoss(int) const override { return 0.0f; }
    float GetAvgChoke(int) const override { return 0.0f; }
    int GetDataRate() const override { return 30000; }

private:
    std::string m_address;
    const CGlobalVars& m_globals;
    float m_connectedAt;
};

}  // namespace sim
