// A console command of the engine, its handler bound to engine state.
#pragma once

#include <tier1/convar.h>

#include <functional>

namespace sim {

class HostCommand final : public ConCommand {
public:
    using Handler = std::function<void(const CCommand&)>;

    HostCommand(const char* name, const char* help, int flags, Handler handler)
        : ConCommand(name, help, flags), m_handler(std::move(handler)) {}

    void Dispatch(const CCommand& args) override { m_handler(args); }

private:
    Handler m_handler;
};

}  // namespace sim
