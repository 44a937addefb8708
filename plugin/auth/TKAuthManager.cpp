#include "auth/TKAuthManager.h"

#include <eiface.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include "auth/AuthHostsFile.h"
#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"
#include "support/StringTokenizer.h"
#include "support/TKStrUtils.h"

namespace {

struct BuiltInHost {
    const char* alias;
    const char* url;
};

// The leagues' hosts known without configuration: none ship; operators add
// theirs in cfg/travik_authhosts.txt. Aliases and URLs in lower case.
constexpr BuiltInHost kBuiltInHosts[] = {{nullptr, nullptr}};

void OnAuthHostCommand(const CCommand& command);
void OnPlayersCommand(const CCommand& command);

ConCommand tk_authhost("tk_authhost", OnAuthHostCommand,
                       "Sets the hostname/url or alias from which Travik should authenticate "
                       "players (set to 'none' to remove)");
ConCommand tk_players("tk_players", OnPlayersCommand,
                      "Displays player information on all connected players (requires authhost)");

void OnAuthHostCommand(const CCommand& command) {
    if (TKAuthManager* manager = travik::getAuthHostManager())
        manager->ChangeTKAuthHost(command);
}

void OnPlayersCommand(const CCommand& command) {
    if (TKAuthManager* manager = travik::getAuthHostManager())
        manager->TKPlayersCommand(command);
}

bool AuthInUse() {
    return travik::IsActive() && travik::IsWarMode();
}

}  // namespace

TKAuthManager::TKAuthManager() {
    for (const BuiltInHost& host : kBuiltInHosts) {
        if (host.alias)
            m_Known.push_back(std::make_unique<TKAuthHost>(host.alias, host.url));
    }
    m_BuiltIn = m_Known.size();
}

TKAuthManager::~TKAuthManager() {
    DropCurrent();
}

void TKAuthManager::Init() {
    std::vector<std::string> aliases;
    for (const auto& host : m_Known)
        aliases.push_back(host->GetAuthAlias());
    for (AuthHostsFile::Entry& entry : AuthHostsFile::Read(aliases))
        m_Known.push_back(std::make_unique<TKAuthHost>(entry.alias, entry.url));
}

void TKAuthManager::Unload() {
    DropCurrent();
    m_Known.resize(m_BuiltIn);
}

void TKAuthManager::DropCurrent() {
    if (!m_Current)
        return;
    m_Current->Reset();
    if (!m_Current->HasAlias())
        delete m_Current;
    m_Current = nullptr;
}

void TKAuthManager::SetAuthHost(TKAuthHost* host) {
    // Removing says so even with no host set.
    if (host && host == m_Current)
        return;
    DropCurrent();
    m_Current = host;
    if (!host) {
        Msg("[Travik] Auth-Host Removed\n");
        if (AuthInUse())
            Messaging::SendAllMessage("\x03Travik:\x04 Auth-Host Removed\n");
        return;
    }
    const char* name = host->GetAuthAliasOrURL().c_str();
    Msg(host->HasAlias() ? "[Travik] Auth-Host changed to: %s (KNOWN)\n"
                         : "[Travik] Auth-Host changed to: %s\n",
        name);
    if (!AuthInUse())
        return;
    FixedBuffer<10> suffix;
    suffix.Format("%s", host->HasAlias() ? "\x03 (Known)" : "");
    FixedBuffer<1024> line;
    Messaging::SendAllMessage(
        line.Format("\x03Travik:\x04 Auth-Host changed to:\x01 %s%s\n", name, suffix.c_str()));
    AskEverybody();
}

void TKAuthManager::AskEverybody() {
    if (!g_host.engine || !g_host.globals || !g_host.playerInfoManager)
        return;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* player = nullptr;
        if (GetRealPlayerInfo(index, &player))
            m_Current->AddPlayerToAuth(player);
    }
}

TKAuthHost* TKAuthManager::GetAuthHostByURL(const std::string& text) const {
    for (const auto& host : m_Known) {
        // Operators' URLs keep their case for the request; picking one by
        // its URL ignores it, as the typed text is lower-cased.
        if (TKStrUtils::stringToLower(host->GetAuthURL()) == text)
            return host.get();
    }
    return nullptr;
}

TKAuthHost* TKAuthManager::GetAuthHostByAlias(const std::string& text) const {
    for (const auto& host : m_Known) {
        if (host->GetAuthAlias() == text)
            return host.get();
    }
    return nullptr;
}

TKAuthHost* TKAuthManager::GetAuthHostByURLOrAlias(const std::string& text) const {
    TKAuthHost* host = GetAuthHostByAlias(text);
    return host ? host : GetAuthHostByURL(text);
}

void TKAuthManager::AddPlayerToAuth(edict_t* player) {
    if (PlayerIdentity::IsPlayer(player) && m_Current)
        m_Current->AddPlayerToAuth(player);
}

void TKAuthManager::OnClientDisconnect(edict_t* player) {
    if (PlayerIdentity::IsPlayer(player) && m_Current)
        m_Current->OnClientDisconnect(player);
}

void TKAuthManager::Reset() {
    if (m_Current)
        m_Current->Reset();
}

void TKAuthManager::OnGameFrame() {
    if (AuthInUse() && m_Current)
        m_Current->OnGameFrame();
}

void TKAuthManager::PrintAuthedPlayers(edict_t* requester) {
    const char* refusal =
        !travik::IsActive()    ? "[Travik] Players list unavailable whilst plugin is disabled\n"
        : !travik::IsWarMode() ? "[Travik] Players list unavailable whilst tk_warmode is disabled\n"
        : !m_Current           ? "[Travik] Players list unavailable, no auth-host in use!\n"
                               : nullptr;
    if (!refusal) {
        m_Current->PrintAuthedPlayers(requester);
    } else if (!requester) {
        Msg("%s", refusal);
    } else if (g_host.engine) {
        g_host.engine->ClientPrintf(requester, refusal);
    }
}

void TKAuthManager::ChangeTKAuthHost(const CCommand& command) {
    if (command.ArgC() < 2) {
        if (m_Current) {
            Msg("[Travik] tk_authhost is currently set to \"%s\"\n",
                m_Current->GetAuthAliasOrURL().c_str());
        } else {
            Msg("[Travik] No auth-host is currently configured\n");
        }
        return;
    }
    const std::string typed = command.ArgS();
    if (m_Current && typed == m_Current->GetAuthAliasOrURL())
        return;
    std::string value = TKStrUtils::stripString(typed);
    StringTokenizer words(value, " ");
    if (words.hasMoreTokens())
        value = words.nextToken();
    const std::string lower = TKStrUtils::stringToLower(value);
    if (lower == "none" || value == " " || value.empty()) {
        RemoveAuthHost();
        return;
    }
    tkLog(true, "[Travik] Attempting to set tk_authhost \"%s\"\n", value.c_str());
    if (TKAuthHost* known = GetAuthHostByURLOrAlias(lower)) {
        SetAuthHost(known);
    } else {
        SetAuthHost(new TKAuthHost(value));
    }
}

void TKAuthManager::TKPlayersCommand(const CCommand&) {
    PrintAuthedPlayers(nullptr);
}
