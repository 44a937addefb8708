#include "engine/PluginHelpers.h"

#include <algorithm>

#include "engine/Server.h"

namespace sim {

QueryCvarCookie_t PluginHelpers::StartQueryCvarValue(edict_t* entity, const char* name) {
    const int index = m_server.Edicts().IndexOf(entity);
    if (index < 1 || index > m_server.MaxClients())
        return InvalidQueryCvarCookie;
    const QueryCvarCookie_t cookie = ++m_lastCookie;
    Client* client = m_server.Clients().At(index);
    // A bot, SourceTV or an empty slot gets its cookie and never answers.
    if (client && client->Kind() == ClientKind::Human) {
        const int latency = std::max(1, m_server.Clock().TicksFor(client->QueryLatency()));
        m_pending.push_back(
            {cookie, client, index, name ? name : "", m_server.Clock().FrameCount() + latency});
    }
    return cookie;
}

void PluginHelpers::ClientCommand(edict_t* entity, const char* command) {
    Client* client = m_server.Clients().At(m_server.Edicts().IndexOf(entity));
    if (client && command && client->Kind() == ClientKind::Human)
        m_server.Clients().ExecuteClientLine(*client, command);
}

void PluginHelpers::OnFrame() {
    const int frame = m_server.Clock().FrameCount();
    std::vector<Pending> due;
    std::erase_if(m_pending, [&](const Pending& query) {
        if (query.dueFrame > frame)
            return false;
        due.push_back(query);
        return true;
    });
    for (const Pending& query : due)
        Answer(query);
}

void PluginHelpers::Answer(const Pending& query) {
    Client* client = query.client;
    if (!client->IsActive() || client->EntityIndex() != query.entityIndex)
        return;
    const auto answer = client->Answer(query.name, m_server.Cvar().FindVar(query.name.c_str()));
    if (!answer)
        return;
    edict_t* edict = m_server.Edicts().Get(query.entityIndex);
    m_server.Plugins().ForEach([&](IServerPluginCallbacks& plugin) {
        plugin.OnQueryCvarValueFinished(query.cookie, edict, answer->status, query.name.c_str(),
                                        answer->value.c_str());
    });
}

void PluginHelpers::ForgetClient(const Client& client) {
    std::erase_if(m_pending, [&](const Pending& query) { return query.client == &client; });
}

}  // namespace sim
