// The helpers the engine offers plug-ins: client cvar queries, answered a
// client's latency later (in game frames) to every plug-in, and commands
// run in a client's console.
#pragma once

#include <iserverplugin.h>

#include <string>
#include <vector>

namespace sim {

class Server;
class Client;

class PluginHelpers final : public IServerPluginHelpers {
public:
    explicit PluginHelpers(Server& server) : m_server(server) {}

    QueryCvarCookie_t StartQueryCvarValue(edict_t* entity, const char* name) override;
    void ClientCommand(edict_t* entity, const char* command) override;

    // Hands out the answers that are due by this frame, in cookie order.
    void OnFrame();
    // A client that leaves answers nothing more.
    void ForgetClient(const Client& client);
    size_t PendingCount() const { return m_pending.size(); }
    QueryCvarCookie_t LastCookie() const { return m_lastCookie; }

private:
    struct Pending {
        QueryCvarCookie_t cookie;
        Client* client;
        int entityIndex;
        std::string name;
        int dueFrame;
    };

    void Answer(const Pending& query);

    Server& m_server;
    std::vector<Pending> m_pending;
    QueryCvarCookie_t m_lastCookie = 0;
};

}  // namespace sim
