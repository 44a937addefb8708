// A scripted client: who it is (name, address, Steam ID and when Steam
// validates it), its own console variables and how it answers queries
// about them, what it has seen (its inbox), and how it left.
#pragma once

#include <edict.h>
#include <iserverplugin.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/Inbox.h"
#include "engine/NetChannel.h"

class ConVar;

namespace sim {

enum class ClientKind { Human, Bot, SourceTV };
enum class ClientState { Connecting, Active, Disconnected, Rejected };

// How a client answers a query about one of its variables.
enum class QueryScript { Default, Intact, NotFound, NotACvar, Protected, Silent };

struct QueryAnswer {
    EQueryCvarValueStatus status;
    std::string value;
};

// A real client loads the level and signs on for a second or more.
constexpr double kDefaultSignOn = 1.0;
// Steam usually answers a moment after the player is in the game.
constexpr double kValidateAfterPutIn = 0.5;

struct ClientSpec {
    std::string name;
    ClientKind kind = ClientKind::Human;
    std::string address;  // "A.B.C.D:port"; generated when empty
    std::string steamId;  // "STEAM_0:X:Y"; generated when empty
    // Seconds from the connect until Steam validates (0: during the connect,
    // negative: never); without one, kValidateAfterPutIn after put-in.
    std::optional<double> validateAfter;
    // Seconds of loading and signing on between ClientConnect and
    // ClientPutInServer; 0 puts the client in during the connect.
    double signOn = kDefaultSignOn;
    double queryLatency = 0.1;  // seconds until a cvar query is answered
    std::string password;       // what the client gives for sv_password
    bool voiceEnabled = true;   // its voice_modenable: what it answers RequestState with
    std::map<std::string, std::string> cvars;
};

class Client {
public:
    Client(const ClientSpec& spec, int userId, const CGlobalVars& globals);

    const std::string& Name() const;
    int UserId() const { return m_userId; }
    ClientKind Kind() const { return m_kind; }
    bool IsFake() const { return m_kind != ClientKind::Human; }
    ClientState State() const { return m_state; }
    bool IsConnected() const {
        return m_state == ClientState::Connecting || m_state == ClientState::Active;
    }
    bool IsActive() const { return m_state == ClientState::Active; }

    // The slot (entity index) while connected, 0 otherwise.
    int EntityIndex() const { return m_entityIndex; }
    void AttachToSlot(int entityIndex) { m_entityIndex = entityIndex; }
    void SetState(ClientState state) { m_state = state; }
    // Put in the server (the game made its player); cleared when it leaves.
    bool IsInServer() const { return m_inServer; }
    void SetInServer(bool inServer) { m_inServer = inServer; }
    // Set while its disconnect runs, so that nothing disconnects it twice.
    bool IsLeaving() const { return m_leaving; }
    void SetLeaving() { m_leaving = true; }

    const std::string& Address() const { return m_address; }
    std::string Ip() const;
    const std::string& Password() const { return m_password; }
    NetChannel* Channel() { return m_kind == ClientKind::Human ? &m_channel : nullptr; }
    // Seconds since it connected (bots and SourceTV too).
    float TimeConnected() const { return m_channel.GetTimeConnected(); }

    // The network ID the engine reports now.
    const char* NetworkId() const;
    // The Steam ID the client will prove (what bans by ID are checked against).
    const std::string& SteamId() const { return m_steamId; }
    void SetLan(bool lan) { m_lan = lan; }
    bool IsValidated() const { return m_validated; }
    void MarkValidated() { m_validated = true; }
    // Frame at which Steam validates (-1: never); set when the client connects.
    int ValidationFrame() const { return m_validationFrame; }
    void SetValidationFrame(int frame) { m_validationFrame = frame; }
    const std::optional<double>& ValidateAfter() const { return m_validateAfter; }
    double SignOn() const { return m_signOn; }
    // Frame at which its sign-on ends and it is put in the server (-1: not signing on).
    int SignOnFrame() const { return m_signOnFrame; }
    void SetSignOnFrame(int frame) { m_signOnFrame = frame; }
    // Connected but not yet put in the server: loading the level, signing on.
    bool IsSigningOn() const { return m_state == ClientState::Connecting && m_signOnFrame >= 0; }

    // The client's own variables; the user-info ones are what the engine
    // knows of it (GetClientConVarValue) and changes of them are announced.
    const std::string* Cvar(const std::string& name) const;
    void SetCvar(const std::string& name, const std::string& value);
    bool IsUserInfo(const std::string& name) const { return m_userInfo.count(name) != 0; }
    void MarkUserInfo(const std::string& name) { m_userInfo.insert(name); }
    // The user-info value ("" when the client has none).
    const char* UserInfo(const std::string& name) const;

    void ScriptAnswer(const std::string& cvarName, QueryScript script, std::string value);
    double QueryLatency() const { return m_queryLatency; }
    void SetQueryLatency(double seconds) { m_queryLatency = seconds; }
    // The answer to a query now, or nothing when the client stays silent.
    // A replicated server variable the client does not override answers
    // with the server's value, as the client's copy follows the server's.
    std::optional<QueryAnswer> Answer(const std::string& cvarName,
                                      const ConVar* serverVariable) const;

    // Client commands it sends with its next packet (its answer to a
    // RequestState, ...), run in the next frame.
    void QueueCommand(std::string command) { m_outgoing.push_back(std::move(command)); }
    std::vector<std::string> TakeQueuedCommands() { return std::exchange(m_outgoing, {}); }
    bool VoiceEnabled() const { return m_voiceEnabled; }

    Inbox& GetInbox() { return m_inbox; }
    const Inbox& GetInbox() const { return m_inbox; }

    // How it left: the reason the client saw, and whether the server sent
    // it away (a kick or ban) rather than the client leaving.
    void MarkGone(ClientState state, std::string reason, bool byServer);
    const std::string& DisconnectReason() const { return m_disconnectReason; }
    bool WasRemovedByServer() const { return m_removedByServer; }

private:
    struct Script {
        QueryScript script;
        std::string value;
    };

    ClientKind m_kind;
    int m_userId;
    int m_entityIndex = 0;
    ClientState m_state = ClientState::Connecting;
    bool m_inServer = false;
    bool m_leaving = false;
    std::string m_address;
    std::string m_steamId;
    std::string m_password;
    bool m_lan = false;
    bool m_validated = false;
    std::optional<double> m_validateAfter;
    int m_validationFrame = -1;
    double m_signOn;
    int m_signOnFrame = -1;
    double m_queryLatency;
    std::map<std::string, std::string> m_cvars;
    std::set<std::string> m_untouchedDefaults;  // still at the client's shipped default
    std::set<std::string> m_userInfo;
    std::map<std::string, Script> m_scripts;
    Inbox m_inbox;
    std::vector<std::string> m_outgoing;
    bool m_voiceEnabled = true;
    NetChannel m_channel;
    std::string m_disconnectReason;
    bool m_removedByServer = false;
};

}  // namespace sim
