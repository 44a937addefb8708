#include "engine/EngineServer.h"

#include <tier0/dbg.h>

#include <cstdio>
#include <cstring>

#include "engine/Server.h"

namespace sim {

Client* EngineServer::ClientOf(const edict_t* edict) {
    return m_server.Clients().At(m_server.Edicts().IndexOf(edict));
}

void EngineServer::ChangeLevel(const char* s1, const char*) {
    if (s1 && *s1)
        m_server.RequestLevelChange(s1);
}

int EngineServer::IsMapValid(const char* fileName) {
    return fileName && m_server.IsMapValid(fileName) ? 1 : 0;
}

void EngineServer::ServerCommand(const char* text) {
    if (!text)
        return;
    // The real engine insists on a terminated command.
    const size_t length = std::strlen(text);
    if (length == 0 || (text[length - 1] != '\n' && text[length - 1] != ';')) {
        Msg("Error, bad server command %s\n", text);
        return;
    }
    m_server.ServerCommand(text);
}

void EngineServer::ServerExecute() {
    m_server.ServerExecute();
}

void EngineServer::ClientPrintf(edict_t* edict, const char* text) {
    Client* client = ClientOf(edict);
    if (client && text && client->Kind() == ClientKind::Human)
        client->GetInbox().Print(text);
}

bf_write* EngineServer::UserMessageBegin(IRecipientFilter* filter, int messageType) {
    return m_server.Messages().Begin(filter, messageType);
}

void EngineServer::MessageEnd() {
    m_server.Messages().End();
}

int EngineServer::IndexOfEdict(const edict_t* edict) {
    return m_server.Edicts().IndexOf(edict);
}

edict_t* EngineServer::PEntityOfEntIndex(int entityIndex) {
    return m_server.Edicts().Get(entityIndex);
}

int EngineServer::GetPlayerUserId(const edict_t* edict) {
    const Client* client = ClientOf(edict);
    return client ? client->UserId() : -1;
}

const char* EngineServer::GetPlayerNetworkIDString(const edict_t* edict) {
    const Client* client = ClientOf(edict);
    return client ? client->NetworkId() : nullptr;
}

const char* EngineServer::GetClientConVarValue(int clientIndex, const char* name) {
    if (clientIndex < 1 || clientIndex > m_server.MaxClients())
        return nullptr;
    const Client* client = m_server.Clients().At(clientIndex);
    return client && name ? client->UserInfo(name) : "";
}

INetChannelInfo* EngineServer::GetPlayerNetInfo(int playerIndex) {
    Client* client = m_server.Clients().At(playerIndex);
    return client ? client->Channel() : nullptr;
}

int EngineServer::GetEntityCount() {
    return m_server.Edicts().InUseCount();
}

edict_t* EngineServer::CreateEdict(int forceEdictIndex) {
    edict_t* edict = m_server.Edicts().Allocate(m_server.MaxClients() + 1, forceEdictIndex);
    if (edict)
        m_server.Plugins().ForEach(
            [edict](IServerPluginCallbacks& plugin) { plugin.OnEdictAllocated(edict); });
    return edict;
}

void EngineServer::RemoveEdict(edict_t* edict) {
    if (m_server.Edicts().IndexOf(edict) <= m_server.MaxClients() || edict->IsFree())
        return;
    m_server.Plugins().ForEach(
        [edict](IServerPluginCallbacks& plugin) { plugin.OnEdictFreed(edict); });
    m_server.Edicts().Free(edict, m_server.Globals().curtime);
}

void EngineServer::GetGameDir(char* gameDir, int maxLength) {
    if (gameDir && maxLength > 0)
        std::snprintf(gameDir, static_cast<size_t>(maxLength), "%s", m_server.GameDir().c_str());
}

const char* EngineServer::GetMapEntitiesString() {
    return m_server.MapEntities().c_str();
}

void EngineServer::ForceExactFile(const char* fileName) {
    if (fileName)
        m_server.ForceExactFile(fileName);
}

void EngineServer::LogPrint(const char* text) {
    if (text)
        Msg("%s", text);
}

}  // namespace sim
