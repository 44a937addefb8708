#include "game/Game.h"

#include <irecipientfilter.h>
#include <tier0/dbg.h>
#include <tier1/bitbuf.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kSayText = 3;
constexpr size_t kMaxSayEventText = 127;

class GameRecipientFilter final : public IRecipientFilter {
public:
    explicit GameRecipientFilter(std::vector<int> recipients)
        : m_recipients(std::move(recipients)) {}
    bool IsReliable() const override { return true; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return static_cast<int>(m_recipients.size()); }
    int GetRecipientIndex(int slot) const override {
        return slot >= 0 && slot < GetRecipientCount() ? m_recipients[static_cast<size_t>(slot)]
                                                       : -1;
    }

private:
    std::vector<int> m_recipients;
};

const char* TeamName(int team) {
    switch (team) {
        case TEAM_TERRORIST:
            return "Terrorist";
        case TEAM_CT:
            return "Counter-Terrorist";
        default:
            return "Spectator";
    }
}

bool PlaysOnTeam(int team) {
    return team == TEAM_TERRORIST || team == TEAM_CT;
}

}  // namespace

Game& Game::Get() {
    static Game game;
    return game;
}

bool Game::Connect(CreateInterfaceFn engineFactory, CGlobalVars* globals) {
    m_engine = static_cast<IVEngineServer*>(engineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
    m_events = static_cast<IGameEventManager2*>(
        engineFactory(INTERFACEVERSION_GAMEEVENTSMANAGER2, nullptr));
    m_globals = globals;
    if (!m_engine || !m_events || !m_globals)
        return false;
    ConnectTier1Libraries(&engineFactory, 1);
    if (!g_pCVar)
        return false;
    // Everything the game registers is the game library's.
    ConVar_Register(FCVAR_GAMEDLL);
    return true;
}

void Game::Disconnect() {
    ClearLevel();
    ConVar_Unregister();
    DisconnectTier1Libraries();
    m_engine = nullptr;
    m_events = nullptr;
    m_globals = nullptr;
}

CBasePlayer* Game::Player(int index) const {
    if (index < 1 || index > ABSOLUTE_PLAYER_LIMIT)
        return nullptr;
    return m_players[index].get();
}

CBasePlayer* Game::PlayerOf(const edict_t* edict) const {
    return m_engine ? Player(m_engine->IndexOfEdict(edict)) : nullptr;
}

void Game::SetClientKind(int index, bool fakeClient, bool sourceTV) {
    if (index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT)
        m_kinds[index] = {fakeClient, sourceTV};
}

CBasePlayer* Game::CreatePlayer(edict_t* edict, const char* name) {
    const int index = m_engine->IndexOfEdict(edict);
    if (index < 1 || index > ABSOLUTE_PLAYER_LIMIT)
        return nullptr;
    m_players[index].reset();
    m_players[index] = std::make_unique<CBasePlayer>(edict, name ? name : "", m_kinds[index].fake,
                                                     m_kinds[index].sourceTV);
    m_menuSelections[index] = 0;
    return m_players[index].get();
}

void Game::RemovePlayer(edict_t* edict) {
    const int index = m_engine->IndexOfEdict(edict);
    if (index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT)
        m_players[index].reset();
}

int Game::UserIdOf(const CBasePlayer& player) const {
    return m_engine->GetPlayerUserId(player.GetEdict());
}

void Game::ChangeTeam(CBasePlayer& player, int team) {
    if (team < TEAM_UNASSIGNED || team > TEAM_CT || team == player.Team())
        return;
    const int oldTeam = player.Team();
    player.SetTeam(team);
    FireEvent("player_team", [&](IGameEvent& event) {
        event.SetInt("userid", UserIdOf(player));
        event.SetInt("team", team);
        event.SetInt("oldteam", oldTeam);
        event.SetBool("disconnect", false);
        event.SetBool("autoteam", false);
        event.SetBool("silent", false);
        event.SetString("name", player.Name().c_str());
    });
    SetAlive(player, PlaysOnTeam(team));
}

void Game::SetAlive(CBasePlayer& player, bool alive) {
    if (alive == player.IsAlive() || (alive && !PlaysOnTeam(player.Team())))
        return;
    player.SetAlive(alive);
    const int userId = UserIdOf(player);
    if (alive) {
        FireEvent("player_spawn", [&](IGameEvent& event) { event.SetInt("userid", userId); });
        return;
    }
    FireEvent("player_death", [&](IGameEvent& event) {
        event.SetInt("userid", userId);
        event.SetInt("attacker", 0);
        event.SetString("weapon", "world");
        event.SetBool("headshot", false);
    });
}

int Game::LastMenuSelection(int index) const {
    return index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT ? m_menuSelections[index] : 0;
}

void Game::SetMenuSelection(int index, int selection) {
    if (index >= 1 && index <= ABSOLUTE_PLAYER_LIMIT)
        m_menuSelections[index] = selection;
}

std::vector<int> Game::ChatRecipients(const CBasePlayer* sender, bool team) const {
    // The dead and the watching talk among themselves.
    const bool senderAlive = !sender || sender->IsAlive();
    std::vector<int> recipients;
    for (int i = 1; i <= ABSOLUTE_PLAYER_LIMIT; ++i) {
        const CBasePlayer* player = m_players[i].get();
        if (!player || player->IsFakeClient())
            continue;
        if (team && sender && player->Team() != sender->Team())
            continue;
        if (!senderAlive && player->IsAlive())
            continue;
        recipients.push_back(i);
    }
    return recipients;
}

std::string Game::ChatLine(const CBasePlayer* sender, const std::string& text, bool team) const {
    if (!sender)
        return "Console: " + text;
    std::string prefix;
    if (!sender->IsAlive())
        prefix = PlaysOnTeam(sender->Team()) ? "*DEAD*" : "*SPEC*";
    if (team)
        prefix += std::string(prefix.empty() ? "" : " ") + "(" + TeamName(sender->Team()) + ")";
    if (!prefix.empty())
        prefix += " ";
    return "\x03" + prefix + sender->Name() + "\x01 :  " + text;
}

void Game::Say(const char* rawText, bool team) {
    std::string text = rawText ? rawText : "";
    // A quoted message loses its quotes.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.empty())
        return;
    const CBasePlayer* sender = m_commandClient >= 0 ? Player(m_commandClient + 1) : nullptr;
    if (m_commandClient >= 0 && !sender)
        return;
    const int userId = sender ? UserIdOf(*sender) : 0;
    Msg("%s: %s\n", sender ? sender->Name().c_str() : "Console", text.c_str());
    FireEvent("player_say", [&](IGameEvent& event) {
        event.SetInt("userid", userId);
        event.SetString("text", text.substr(0, kMaxSayEventText).c_str());
    });
    SendChat(ChatRecipients(sender, team), sender ? m_engine->IndexOfEdict(sender->GetEdict()) : 0,
             ChatLine(sender, text, team));
}

void Game::SendChat(const std::vector<int>& recipients, int sender, const std::string& text) {
    GameRecipientFilter filter(recipients);
    bf_write* message = m_engine->UserMessageBegin(&filter, kSayText);
    if (!message)
        return;
    message->WriteByte(sender);
    message->WriteString(text.c_str());
    message->WriteByte(1);
    m_engine->MessageEnd();
}

void Game::PrintToClient(const CBasePlayer& player, const std::string& text) {
    m_engine->ClientPrintf(player.GetEdict(), text.c_str());
}

void Game::FireEvent(const char* name, const std::function<void(IGameEvent&)>& fill) {
    IGameEvent* event = m_events ? m_events->CreateEvent(name, false) : nullptr;
    if (!event)
        return;
    fill(*event);
    m_events->FireEvent(event, false);
}

CBaseEntity* Game::CreateEntity(const char* className) {
    edict_t* edict = m_engine->CreateEdict(-1);
    if (!edict)
        return nullptr;
    m_entities.push_back(std::make_unique<CBaseEntity>(className, edict));
    return m_entities.back().get();
}

int Game::CountEntities(const char* className) const {
    return static_cast<int>(
        std::count_if(m_entities.begin(), m_entities.end(), [&](const auto& entity) {
            return className && std::strcmp(entity->GetClassName(), className) == 0;
        }));
}

int Game::RemoveEntities(const char* className) {
    int removed = 0;
    std::erase_if(m_entities, [&](const std::unique_ptr<CBaseEntity>& entity) {
        if (!className || std::strcmp(entity->GetClassName(), className) != 0)
            return false;
        edict_t* edict = entity->GetEdict();
        entity->DetachEdict();
        m_engine->RemoveEdict(edict);
        ++removed;
        return true;
    });
    return removed;
}

void Game::ClearLevel() {
    for (auto& entity : m_entities)
        entity->DetachEdict();
    m_entities.clear();
    for (auto& player : m_players)
        player.reset();
}
