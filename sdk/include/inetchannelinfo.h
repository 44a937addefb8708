// Statistics and the address of one client's network channel
// (IVEngineServer::GetPlayerNetInfo).
#pragma once

#define FLOW_OUTGOING 0
#define FLOW_INCOMING 1
#define MAX_FLOWS 2

class INetChannelInfo {
public:
    // Slots, in order:
    //  0 GetName            5 IsTimingOut
    //  1 GetAddress         6 GetLatency
    //  2 GetTime            7 GetAvgLatency
    //  3 GetTimeConnected   8 GetAvgLoss
    //  4 IsLoopback         9 GetAvgChoke
    //                      10 GetDataRate
    virtual const char* GetName() const = 0;
    // "A.B.C.D:port" ("loopback" for a local client).
    virtual const char* GetAddress() const = 0;
    virtual float GetTime() const = 0;
    virtual float GetTimeConnected() const = 0;
    virtual bool IsLoopback() const = 0;
    virtual bool IsTimingOut() const = 0;
    virtual float GetLatency(int flow) const = 0;
    virtual float GetAvgLatency(int flow) const = 0;
    virtual float GetAvgLoss(int flow) const = 0;
    virtual float GetAvgChoke(int flow) const = 0;
    virtual int GetDataRate() const = 0;

protected:
    ~INetChannelInfo() = default;
};
