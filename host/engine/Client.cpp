#include "engine/Client.h"

#include <tier1/convar.h>

#include "engine/ClientCvarDefaults.h"

namespace sim {

namespace {

// The settings every client sends as user information.
const char* const kUserInfoDefaults[][2] = {
    {"rate", "30000"},           {"cl_cmdrate", "66"},     {"cl_updaterate", "66"},
    {"cl_interp", "0.1"},        {"cl_interp_ratio", "2"}, {"cl_predict", "1"},
    {"cl_lagcompensation", "1"}, {"cl_team", "default"},   {"cl_autowepswitch", "1"},
    {"cl_autohelp", "1"},        {"cl_spec_mode", "1"},    {"cl_language", "english"},
};

std::string DefaultAddress(int userId) {
    return "10.0.0." + std::to_string(userId % 250 + 1) + ":27005";
}

std::string DefaultSteamId(int userId) {
    return "STEAM_0:" + std::to_string(userId % 2) + ":" + std::to_string(100000 + userId);
}

}  // namespace

Client::Client(const ClientSpec& spec, int userId, const CGlobalVars& globals)
    : m_kind(spec.kind),
      m_userId(userId),
      m_address(spec.address.empty() ? DefaultAddress(userId) : spec.address),
      m_steamId(spec.steamId.empty() ? DefaultSteamId(userId) : spec.steamId),
      m_password(spec.password),
      m_validateAfter(spec.validateAfter),
      m_signOn(spec.signOn),
      m_queryLatency(spec.queryLatency),
      m_channel(m_address, globals) {
    m_voiceEnabled = spec.voiceEnabled;
    if (m_kind == ClientKind::Human) {
        for (const auto& [name, value] : kUserInfoDefaults) {
            m_cvars[name] = value;
            m_userInfo.insert(name);
        }
        for (const char* name : ClientCvarDefaultNames()) {
            m_cvars[name] = ClientCvarDefault(name);
            m_untouchedDefaults.insert(name);
        }
    }
    m_cvars["name"] = spec.name;
    m_userInfo.insert("name");
    for (const auto& [name, value] : spec.cvars)
        SetCvar(name, value);
}

const std::string& Client::Name() const {
    return m_cvars.at("name");
}

std::string Client::Ip() const {
    return m_address.substr(0, m_address.rfind(':'));
}

const char* Client::NetworkId() const {
    switch (m_kind) {
        case ClientKind::Bot:
            return "BOT";
        case ClientKind::SourceTV:
            return "HLTV";
        case ClientKind::Human:
            break;
    }
    if (m_lan)
        return "STEAM_ID_LAN";
    return m_validated ? m_steamId.c_str() : "STEAM_ID_PENDING";
}

const std::string* Client::Cvar(const std::string& name) const {
    auto it = m_cvars.find(name);
    return it == m_cvars.end() ? nullptr : &it->second;
}

void Client::SetCvar(const std::string& name, const std::string& value) {
    m_cvars[name] = value;
    m_untouchedDefaults.erase(name);
}

const char* Client::UserInfo(const std::string& name) const {
    const std::string* value = IsUserInfo(name) ? Cvar(name) : nullptr;
    return value ? value->c_str() : "";
}

void Client::ScriptAnswer(const std::string& cvarName, QueryScript script, std::string value) {
    m_scripts[cvarName] = {script, std::move(value)};
}

std::optional<QueryAnswer> Client::Answer(const std::string& cvarName,
                                          const ConVar* serverVariable) const {
    auto scripted = m_scripts.find(cvarName);
    const QueryScript script =
        scripted == m_scripts.end() ? QueryScript::Default : scripted->second.script;
    switch (script) {
        case QueryScript::Silent:
            return std::nullopt;
        case QueryScript::NotFound:
            return QueryAnswer{eQueryCvarValueStatus_CvarNotFound, ""};
        case QueryScript::NotACvar:
            return QueryAnswer{eQueryCvarValueStatus_NotACvar, ""};
        case QueryScript::Protected:
            return QueryAnswer{eQueryCvarValueStatus_CvarProtected, ""};
        case QueryScript::Intact:
            if (!scripted->second.value.empty() || !Cvar(cvarName))
                return QueryAnswer{eQueryCvarValueStatus_ValueIntact, scripted->second.value};
            break;
        case QueryScript::Default:
            break;
    }
    // A replicated variable's copy follows the server unless the client
    // was given a value of its own.
    const bool replicated = serverVariable && serverVariable->IsFlagSet(FCVAR_REPLICATED);
    const std::string* own = Cvar(cvarName);
    if (own && !(replicated && m_untouchedDefaults.count(cvarName)))
        return QueryAnswer{eQueryCvarValueStatus_ValueIntact, *own};
    if (replicated)
        return QueryAnswer{eQueryCvarValueStatus_ValueIntact, serverVariable->GetString()};
    return QueryAnswer{IsClientCommand(cvarName) ? eQueryCvarValueStatus_NotACvar
                                                 : eQueryCvarValueStatus_CvarNotFound,
                       ""};
}

void Client::MarkGone(ClientState state, std::string reason, bool byServer) {
    m_state = state;
    m_entityIndex = 0;
    m_inServer = false;
    m_disconnectReason = std::move(reason);
    m_removedByServer = byServer;
}

}  // namespace sim
