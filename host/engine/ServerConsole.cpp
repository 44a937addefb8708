#include "engine/ServerConsole.h"

#include <cstdio>

namespace sim {

namespace {

// tier0 has one sink per process; only one server exists at a time.
ServerConsole* s_console = nullptr;

}  // namespace

ServerConsole::ServerConsole(bool echo) : m_echo(echo) {
    s_console = this;
    m_previous = SpewOutputFunc(&ServerConsole::Sink);
}

ServerConsole::~ServerConsole() {
    SpewOutputFunc(m_previous);
    if (s_console == this)
        s_console = nullptr;
}

void ServerConsole::Sink(SpewType_t type, const Color&, const char* text) {
    if (!s_console || !text)
        return;
    s_console->m_log.Append(text);
    if (s_console->m_echo) {
        std::FILE* stream = type == SPEW_WARNING ? stderr : stdout;
        std::fputs(text, stream);
        std::fflush(stream);
    }
}

}  // namespace sim
