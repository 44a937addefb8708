// The private interface of the test plug-in built in this folder. The
// plug-in records every callback the host makes, answers some of them as a
// test tells it to, and sends user messages on request, so that tests can
// judge the host's order of callbacks and its loading rules.
#pragma once

#include <tier1/interface.h>

#define SIM_TEST_PLUGIN_VERSION "SimTestPlugin001"

class ISimTestPlugin {
public:
    // Callbacks in the order heard, one line each, e.g. "ClientConnect alice
    // 10.0.0.3:27005" (GameFrame is only counted).
    virtual int CallCount() const = 0;
    virtual const char* Call(int index) const = 0;
    virtual void ClearCalls() = 0;
    virtual int GameFrames() const = 0;
    // Loads that succeeded in this copy of the module: 1 after a fresh load.
    virtual int SuccessfulLoads() const = 0;

    // ClientConnect of that name answers PLUGIN_STOP with allow false and
    // the reason in the reject buffer.
    virtual void RefuseConnect(const char* name, const char* reason) = 0;
    // ClientCommand of that command name answers with this result.
    virtual void AnswerCommand(const char* command, int result) = 0;
    // A cvar query through the host's helpers, for the player at that index.
    virtual int StartQuery(int entityIndex, const char* cvarName) = 0;
    // time() as the plug-in's own code sees it.
    virtual long long WallTime() const = 0;
    // The wall clock in seconds since the epoch as one of the system's time
    // functions answers it in the plug-in's own code: "time", and on Linux
    // "gettimeofday" and "clock_gettime"; on Windows "_time32", "_time64",
    // "_ftime64", "GetSystemTimeAsFileTime", "GetSystemTime" and, looked up
    // with GetProcAddress, "lookup:_time64" and "lookup:GetSystemTimeAsFileTime".
    // -1 for a name it does not know.
    virtual long long WallTimeBy(const char* source) const = 0;

protected:
    ~ISimTestPlugin() = default;
};
