#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/HttpTransfer.h"

struct edict_t;

// A player the auth host has answered for, and the lines it sent about him
// (or the one line that says no usable answer came).
class AuthedPlayer {
public:
    AuthedPlayer(edict_t* player, std::vector<std::string> information)
        : m_Player(player), m_Information(std::move(information)) {}

    edict_t* getPEntity() const { return m_Player; }
    const std::vector<std::string>& getPlayerInformation() const { return m_Information; }

private:
    edict_t* m_Player;
    std::vector<std::string> m_Information;
};

// One league's authentication host: each joining player's Steam ID is posted
// to its URL, one player at a time, from the server's frame; the answer is
// announced in chat, a refused player is shown the league's words and
// kicked. Players wait their turn in a queue.
//
// The answer comes from another server, so what reaches chat is bounded:
// each line loses its line breaks and control bytes (the chat colour bytes
// 0x01, 0x03 and 0x04 stay), is cut to what one chat message carries, and
// a player is shown at most kMaxInformationLines lines.
class TKAuthHost {
public:
    static constexpr const char* kUserAgent = "Travik";
    static constexpr float kPollInterval = 0.1f;
    static constexpr std::size_t kMaxInformationLines = 8;
    // A chat message's text: 255 bytes of message less the sender byte, the
    // chat flag and the terminator.
    static constexpr std::size_t kMaxChatLine = 252;
    static constexpr const char* kUnableLine = "Unable to authenticate with auth-host";

    // A host made from a typed URL.
    explicit TKAuthHost(std::string url);
    // A known host, picked by its alias.
    TKAuthHost(std::string alias, std::string url);
    ~TKAuthHost();
    TKAuthHost(const TKAuthHost&) = delete;
    TKAuthHost& operator=(const TKAuthHost&) = delete;

    const std::string& GetAuthURL() const { return m_Url; }
    const std::string& GetAuthAlias() const { return m_Alias; }
    bool HasAlias() const { return m_Known; }
    // The host's name everywhere it is shown.
    const std::string& GetAuthAliasOrURL() const { return m_Known ? m_Alias : m_Url; }

    // Asks for the player now, or queues him.
    void AddPlayerToAuth(edict_t* player);
    void OnGameFrame();
    void OnClientDisconnect(edict_t* player);
    // Level start and end, and unload: drops the transfer without a word,
    // the queue and every answer.
    void Reset();
    void PrintAuthedPlayers(edict_t* requester) const;

    bool IsBusy() const { return m_Busy; }
    bool HasAuthedPlayers() const { return !m_Authed.empty(); }
    const AuthedPlayer* FindAuthed(const edict_t* player) const;

    // The URL without a leading "http://".
    static std::string stripHttp(const std::string& url);
    // A line from the host made fit for one chat message (see above).
    static std::string ChatSafeLine(std::string_view text);
    // The lines an accepting answer shows: its comma-separated fields, each
    // decoded from Base64 and made chat-safe, at most kMaxInformationLines.
    static std::vector<std::string> InformationLines(const std::string& body);

private:
    void AuthPlayer(edict_t* player);
    void Poll();
    void OnResultFetched();
    void Refuse(const std::string& body);
    void Accept(const std::string& body);
    // A null record is the failure announcement.
    void AnnouncePlayer(AuthedPlayer* record);
    void CleanUpFailedQuery(bool announce);
    std::string RequestBody(edict_t* player) const;

    std::string m_Url;
    std::string m_Alias;
    bool m_Known = false;
    bool m_Busy = false;
    float m_NextPoll = 0.0f;
    std::vector<edict_t*> m_Waiting;
    std::vector<std::unique_ptr<AuthedPlayer>> m_Authed;
    edict_t* m_Current = nullptr;
    HttpTransfer m_Transfer;
};
