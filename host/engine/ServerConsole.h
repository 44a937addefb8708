// The server console: every tier0 message of the process while the server
// exists, kept as a TextLog and, when asked, echoed to the terminal.
#pragma once

#include <tier0/dbg.h>

#include "engine/TextLog.h"

namespace sim {

class ServerConsole {
public:
    // Installs the tier0 sink; the previous one comes back on destruction.
    explicit ServerConsole(bool echo);
    ~ServerConsole();

    ServerConsole(const ServerConsole&) = delete;
    ServerConsole& operator=(const ServerConsole&) = delete;

    TextLog& Log() { return m_log; }
    const TextLog& Log() const { return m_log; }
    void SetEcho(bool echo) { m_echo = echo; }

private:
    static void Sink(SpewType_t type, const Color& color, const char* text);

    TextLog m_log;
    bool m_echo;
    SpewOutputFunc_t m_previous;
};

}  // namespace sim
