#include "auth/TKAuthHost.h"

#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier0/dbg.h>

#include <algorithm>
#include <cstdio>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/GameKind.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_services.h"
#include "enforcement/KickBanQueue.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"
#include "support/StringTokenizer.h"
#include "support/TrimSteamID.h"
#include "support/base64.h"

namespace {

constexpr const char* kKickReason = "Travik - Kick requested by Auth-Host";

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    StringTokenizer tokens(text, ",");
    while (tokens.hasMoreTokens())
        fields.push_back(tokens.nextToken());
    return fields;
}

std::string TrimmedId(const edict_t* player) {
    const char* id = g_host.engine ? g_host.engine->GetPlayerNetworkIDString(player) : nullptr;
    std::string trimmed = id ? id : "";
    TrimSteamID(trimmed);
    return trimmed;
}

void Print(edict_t* requester, const char* text) {
    if (!requester) {
        Msg("%s", text);
    } else if (g_host.engine) {
        g_host.engine->ClientPrintf(requester, text);
    }
}

void SendChatLine(const std::string& line) {
    Messaging::SendAllMessage(line.c_str());
    Messaging::SendAllMessage("\n");
}

}  // namespace

TKAuthHost::TKAuthHost(std::string url) : m_Url(std::move(url)) {}

TKAuthHost::TKAuthHost(std::string alias, std::string url)
    : m_Url(std::move(url)), m_Alias(std::move(alias)), m_Known(true) {}

TKAuthHost::~TKAuthHost() = default;

const AuthedPlayer* TKAuthHost::FindAuthed(const edict_t* player) const {
    for (const auto& record : m_Authed) {
        if (record->getPEntity() == player)
            return record.get();
    }
    return nullptr;
}

void TKAuthHost::AddPlayerToAuth(edict_t* player) {
    if (m_Waiting.empty() && !m_Busy) {
        AuthPlayer(player);
    } else if (std::find(m_Waiting.begin(), m_Waiting.end(), player) == m_Waiting.end()) {
        m_Waiting.push_back(player);
    }
}

void TKAuthHost::OnGameFrame() {
    const float now = GameClock::Now();
    // A poll time further ahead than one interval is left from another level.
    if (now < m_NextPoll && m_NextPoll - now <= kPollInterval)
        return;
    m_NextPoll = now + kPollInterval;
    if (m_Busy) {
        Poll();
    } else if (!m_Waiting.empty()) {
        edict_t* next = m_Waiting.front();
        m_Waiting.erase(m_Waiting.begin());
        AuthPlayer(next);
    }
}

std::string TKAuthHost::RequestBody(edict_t* player) const {
    char game[3];
    std::snprintf(game, sizeof game, "%i", static_cast<int>(currentGame));
    return "uid=" + TrimmedId(player) + "&game=" + game + "&gameIP=" + travik::GetGameIP() +
           "&gamePort=" + travik::GetGamePort();
}

void TKAuthHost::AuthPlayer(edict_t* player) {
    if (!PlayerIdentity::IsPlayerAndConnected(player))
        return;
    m_Current = player;
    HttpTransfer::Request request;
    request.url = m_Url;
    request.post = true;
    request.postBody = RequestBody(player);
    request.userAgent = kUserAgent;
    if (m_Transfer.Start(request)) {
        m_Busy = true;
        return;
    }
    if (m_Transfer.GetFailure() == HttpTransfer::Failure::Create) {
        tkLog(true, "[Travik] DEBUG: Failed setting up connectivity in AuthPlayer()\n");
        AnnouncePlayer(nullptr);
    } else {
        tkLog(true, "[Travik] DEBUG: Failed to configure in AuthPlayer()\n");
        CleanUpFailedQuery(true);
    }
}

void TKAuthHost::Poll() {
    using Outcome = HttpTransfer::Outcome;
    using Failure = HttpTransfer::Failure;
    const Outcome outcome = m_Transfer.Poll();
    if (outcome == Outcome::Running)
        return;
    m_Busy = false;
    if (outcome == Outcome::Succeeded) {
        OnResultFetched();
    } else if (outcome == Outcome::Failed) {
        switch (m_Transfer.GetFailure()) {
            case Failure::Perform:
                tkLog(true, "[Travik] DEBUG: Error occured in TKAuthHost::Poll()\n");
                CleanUpFailedQuery(true);
                return;
            case Failure::Unfinished:
                tkLog(true,
                      "[Travik] DEBUG: Error occured in TKAuthHost::Poll() after transfer "
                      "complete\n");
                break;
            default:
                tkLog(true, "[Travik] TKAuthHost returned - %s\n", m_Transfer.GetError());
                break;
        }
        AnnouncePlayer(nullptr);
    }
}

void TKAuthHost::OnResultFetched() {
    if (!PlayerIdentity::IsPlayerAndConnected(m_Current)) {
        m_Current = nullptr;
        return;
    }
    const std::string& body = m_Transfer.GetBody();
    if (body.find("<html>") != std::string::npos) {
        tkLog(true, "Travik: The auth-host appears to be offline!\n");
        AnnouncePlayer(nullptr);
    } else if (body.starts_with("1,")) {
        Refuse(body);
    } else if (body == "0" || Fields(body).empty()) {
        tkLog(true, "Travik: Invalid or unknown response from auth-host\n");
        AnnouncePlayer(nullptr);
    } else {
        Accept(body);
    }
}

void TKAuthHost::Refuse(const std::string& body) {
    edict_t* player = m_Current;
    travik::AnnouncePlayer(player);
    const std::vector<std::string> fields = Fields(body.substr(2));
    if (!fields.empty())
        SendChatLine(ChatSafeLine(base64_decode(fields.front())));
    if (g_host.engine) {
        g_host.engine->ClientPrintf(
            player, "[Travik] The Auth-Host refused your connection to the server...\n");
        FixedBuffer<128> line;
        g_host.engine->ClientPrintf(
            player, line.Format("tk_authhost \"%s\"\n", GetAuthAliasOrURL().c_str()));
    }
    if (KickBanQueue* queue = travik::getKickBanQueue())
        queue->Kick(player, kKickReason);
}

std::vector<std::string> TKAuthHost::InformationLines(const std::string& body) {
    std::vector<std::string> lines;
    for (const std::string& field : Fields(body)) {
        if (lines.size() == kMaxInformationLines)
            break;
        lines.push_back(ChatSafeLine(base64_decode(field)));
    }
    return lines;
}

void TKAuthHost::Accept(const std::string& body) {
    std::vector<std::string> lines = InformationLines(body);
    // A player asked again keeps one record: the newest answer.
    std::erase_if(m_Authed, [&](const auto& record) { return record->getPEntity() == m_Current; });
    m_Authed.push_back(std::make_unique<AuthedPlayer>(m_Current, std::move(lines)));
    AnnouncePlayer(m_Authed.back().get());
}

void TKAuthHost::AnnouncePlayer(AuthedPlayer* record) {
    if (!m_Current)
        return;
    if (!record) {
        std::erase_if(m_Authed, [&](const auto& old) { return old->getPEntity() == m_Current; });
        m_Authed.push_back(
            std::make_unique<AuthedPlayer>(m_Current, std::vector<std::string>{kUnableLine}));
        record = m_Authed.back().get();
    }
    travik::AnnouncePlayer(m_Current);
    const std::vector<std::string>& lines = record->getPlayerInformation();
    if (!lines.empty())
        SendChatLine(ChatSafeLine(stripHttp(GetAuthAliasOrURL())));
    for (const std::string& line : lines)
        SendChatLine(line);
    m_Current = nullptr;
}

void TKAuthHost::CleanUpFailedQuery(bool announce) {
    if (announce)
        AnnouncePlayer(nullptr);
    m_Transfer.Cancel();
    m_Current = nullptr;
    m_Busy = false;
}

void TKAuthHost::OnClientDisconnect(edict_t* player) {
    std::erase(m_Waiting, player);
    std::erase_if(m_Authed, [&](const auto& record) { return record->getPEntity() == player; });
    if (m_Current == player) {
        if (m_Busy)
            CleanUpFailedQuery(false);
        m_Current = nullptr;
    }
}

void TKAuthHost::Reset() {
    m_Busy = false;
    m_NextPoll = 0.0f;
    CleanUpFailedQuery(false);
    m_Waiting.clear();
    m_Authed.clear();
}

std::string TKAuthHost::stripHttp(const std::string& url) {
    return url.starts_with("http://") ? url.substr(7) : url;
}

std::string TKAuthHost::ChatSafeLine(std::string_view text) {
    std::string line;
    line.reserve(std::min(text.size(), kMaxChatLine));
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool colour = byte == 0x01 || byte == 0x03 || byte == 0x04;
        if ((byte < 0x20 && !colour) || byte == 0x7f)
            continue;
        line.push_back(c);
    }
    if (line.size() > kMaxChatLine) {
        std::size_t cut = kMaxChatLine;
        // Never half a UTF-8 character: back up over its continuation
        // bytes (three at most; more are no character anyway).
        while (cut > kMaxChatLine - 3 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    return line;
}

void TKAuthHost::PrintAuthedPlayers(edict_t* requester) const {
    if (m_Authed.empty()) {
        Print(requester, "[Travik] There are no players authed with the auth-host!\n");
        return;
    }
    FixedBuffer<256> header;
    Print(requester, header.Format("[Travik] tk_authhost \"%s\" (%s)\nAuthenticated Players:\n \n",
                                   GetAuthAliasOrURL().c_str(), m_Known ? "Known" : "UNKNOWN"));
    for (std::size_t i = 0; i < m_Authed.size(); ++i) {
        edict_t* player = m_Authed[i]->getPEntity();
        const char* name = g_host.engine ? g_host.engine->GetClientConVarValue(
                                               g_host.engine->IndexOfEdict(player), "name")
                                         : nullptr;
        FixedBuffer<512> row;
        Print(requester, row.Format(">> %s - %s\n", name ? name : "", TrimmedId(player).c_str()));
        for (const std::string& line : m_Authed[i]->getPlayerInformation()) {
            if (requester) {
                Print(requester, line.c_str());
                Print(requester, "\n");
            } else {
                Msg("%s\n", line.c_str());
            }
        }
        if (i + 1 < m_Authed.size())
            Print(requester, "-----\n");
    }
    bool titled = false;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* player = nullptr;
        if (!GetRealPlayerInfo(index, &player) || FindAuthed(player))
            continue;
        FixedBuffer<512> row;
        if (!titled) {
            Print(requester, "Travik (Auth-Host) Unauthed Players:");
            Print(requester, "\n");
            Print(requester, row.Format("%-4s | %-20s | %-14s", "UID", "Name", "Steam ID"));
            Print(requester, "\n");
            titled = true;
        }
        Print(requester,
              row.Format("#%-3i | %-20s | %-14s\n", g_host.engine->GetPlayerUserId(player),
                         PlayerIdentity::ChatName(player).c_str(), TrimmedId(player).c_str()));
    }
}
