#include "game/Game.h"

#include <ivoiceserver.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

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

cstrike::CGameMovement& Game::Movement() {
    static cstrike::CGameMovement movement;
    return movement;
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
    m_entities = std::make_unique<cstrike::EntityList>(*m_engine);
    m_sink = std::make_unique<cstrike::GameEventManagerSink>(*m_events);
    m_messages = std::make_unique<PlayerMessages>(*m_engine);
    m_rules = std::make_unique<cstrike::CSGameRules>(*m_entities, *m_globals, *m_sink, *m_messages);
    m_rules->SetSettingsSource(&m_cvars);
    m_gameEnts = std::make_unique<cstrike::CServerGameEnts>(*m_entities);
    // Movement and voice go through the objects the factories hand out, the
    // ones a plug-in hooks.
    Movement().SetGlobals(m_globals);
    m_usercmds = std::make_unique<cstrike::UsercmdDriver>(*m_entities, &Movement(), *m_globals);
    m_spawner = std::make_unique<cstrike::MapSpawner>(*m_entities);
    auto* voiceServer =
        static_cast<IVoiceServer*>(engineFactory(INTERFACEVERSION_VOICESERVER, nullptr));
    m_voice = std::make_unique<cstrike::VoiceRules>(
        *m_entities, voiceServer, static_cast<cstrike::IVoiceHost&>(*this), *m_globals);
    // Everything the game registers is the game library's.
    ConVar_Register(FCVAR_GAMEDLL);
    return true;
}

void Game::Disconnect() {
    ConVar_Unregister();
    DisconnectTier1Libraries();
    if (m_entities)
        m_entities->RemoveAll();
    m_voice.reset();
    m_spawner.reset();
    m_usercmds.reset();
    Movement().SetGlobals(nullptr);
    m_gameEnts.reset();
    m_rules.reset();
    m_messages.reset();
    m_sink.reset();
    m_entities.reset();
    m_engine = nullptr;
    m_events = nullptr;
    m_globals = nullptr;
}

void Game::LevelInit() {
    m_entities->RemoveAll();
    m_rules->CreateTeams();
    // The text comes through the engine interface the plug-ins see, so a
    // hook on GetMapEntitiesString changes what spawns.
    const cstrike::SpawnReport report = m_spawner->SpawnFromEngine(*m_engine);
    if (!report.error.empty())
        Warning("The map's entity text stops at %s (%d entities spawned)\n", report.error.c_str(),
                report.spawned);
    m_voice->LevelInit();
    m_rules->LevelInit();
}

void Game::Tick() {
    m_usercmds->RunTick();
    m_rules->Think();
    m_voice->Think();
}

void Game::LevelShutdown() {
    m_entities->RemoveAll();
}

CCSPlayer* Game::Player(int index) const {
    if (!ValidIndex(index) || !m_entities)
        return nullptr;
    CBaseEntity* entity = m_entities->ByIndex(index);
    return entity && entity->IsPlayer() ? static_cast<CCSPlayer*>(entity) : nullptr;
}

CCSPlayer* Game::PlayerOf(const edict_t* edict) const {
    return m_engine ? Player(m_engine->IndexOfEdict(edict)) : nullptr;
}

void Game::SetClientKind(int index, bool fakeClient, bool sourceTV) {
    if (ValidIndex(index))
        m_kinds[index] = {fakeClient, sourceTV, 0};
}

bool Game::IsFakeClient(int index) const {
    return ValidIndex(index) && m_kinds[index].fake;
}

bool Game::IsSourceTV(int index) const {
    return ValidIndex(index) && m_kinds[index].sourceTV;
}

int Game::LastMenuSelection(int index) const {
    return ValidIndex(index) ? m_kinds[index].menuSelection : 0;
}

void Game::SetMenuSelection(int index, int selection) {
    if (ValidIndex(index))
        m_kinds[index].menuSelection = selection;
}

void Game::SetUsercmdRate(int index, float commandsPerSecond) {
    if (!ValidIndex(index))
        return;
    m_usercmdSettings[index].commandsPerSecond = commandsPerSecond;
    if (CCSPlayer* player = Player(index); player && m_usercmds->Find(player))
        m_usercmds->SetClient(player, commandsPerSecond);
}

void Game::SetUsercmdInput(int index, const CUserCmd& input) {
    if (!ValidIndex(index))
        return;
    m_usercmdSettings[index].input = input;
    if (CCSPlayer* player = Player(index))
        m_usercmds->SetInput(player, input);
}

void Game::StallUsercmds(int index, float seconds) {
    if (!ValidIndex(index) || !m_usercmds || !std::isfinite(seconds) || seconds <= 0.0f)
        return;
    if (CCSPlayer* player = Player(index))
        m_usercmds->Stall(player,
                          static_cast<int>(std::ceil(seconds / m_globals->interval_per_tick)));
}

const cstrike::UsercmdDriver::ClientRecord* Game::UsercmdsOf(const CCSPlayer& player) const {
    return m_usercmds ? m_usercmds->Find(&player) : nullptr;
}

void Game::ClientPutInServer(edict_t* edict, const char* playerName) {
    const char* id = m_engine->GetPlayerNetworkIDString(edict);
    CCSPlayer* player = m_rules->ClientPutInServer(edict, m_engine->GetPlayerUserId(edict),
                                                   playerName ? playerName : "", id ? id : "");
    const int index = m_engine->IndexOfEdict(edict);
    if (player)
        m_voice->ClientConnected(index);
    // SourceTV watches from the spectators; humans and bots send usercmds.
    if (player && IsSourceTV(index))
        m_rules->JoinTeam(player, TEAM_SPECTATOR);
    if (!player || IsSourceTV(index))
        return;
    const ClientUsercmds& settings = m_usercmdSettings[index];
    m_usercmds->SetClient(player, settings.commandsPerSecond);
    m_usercmds->SetInput(player, settings.input);
}

void Game::ClientDisconnect(edict_t* edict) {
    const int index = m_engine->IndexOfEdict(edict);
    if (CCSPlayer* player = PlayerOf(edict)) {
        m_usercmds->RemoveClient(player);
        m_rules->ClientDisconnect(player);
    }
    if (ValidIndex(index)) {
        m_usercmdSettings[index] = ClientUsercmds();
        m_voice->ClientDisconnected(index);
    }
}

void Game::VoiceBan(const CCSPlayer& receiver, const CCommand& args) {
    std::uint64_t mask = 0;
    for (int word = 0; word < 2 && word + 1 < args.ArgC(); ++word)
        mask |= (std::strtoull(args[word + 1], nullptr, 16) & 0xFFFFFFFFull) << (32 * word);
    m_voice->SetBanMask(m_engine->IndexOfEdict(receiver.edict()), mask);
}

void Game::VoiceModEnable(const CCSPlayer& player, const CCommand& args) {
    m_voice->SetModEnable(m_engine->IndexOfEdict(player.edict()), std::atoi(args[1]) != 0);
}

bool Game::AllTalk() {
    return GameCvars::AllTalk();
}

void Game::RequestState(int entityIndex) {
    m_messages->RequestState(entityIndex);
}

void Game::Buy(CCSPlayer& player, const char* item) {
    if (!item || !*item)
        return;
    if (std::strcmp(item, "defuser") == 0)
        m_rules->BuyDefuser(&player);
    else
        m_rules->Buy(&player, (std::string("weapon_") + item).c_str());
}

std::vector<int> Game::ChatRecipients(const CCSPlayer* sender, bool team) const {
    // The dead and the watching talk among themselves.
    const bool senderAlive = !sender || sender->IsAlive();
    std::vector<int> recipients;
    for (int i = 1; i <= ABSOLUTE_PLAYER_LIMIT; ++i) {
        const CCSPlayer* player = Player(i);
        // SourceTV hears what a spectator hears; bots nothing.
        if (!player || (IsFakeClient(i) && !IsSourceTV(i)))
            continue;
        if (team && sender && player->GetTeamNumber() != sender->GetTeamNumber())
            continue;
        if (!senderAlive && player->IsAlive())
            continue;
        recipients.push_back(i);
    }
    return recipients;
}

std::string Game::ChatLine(const CCSPlayer* sender, const std::string& text, bool team) const {
    if (!sender)
        return "Console: " + text;
    std::string prefix;
    if (!sender->IsAlive())
        prefix = PlaysOnTeam(sender->GetTeamNumber()) ? "*DEAD*" : "*SPEC*";
    if (team) {
        if (!prefix.empty())
            prefix += " ";
        prefix.append("(").append(TeamName(sender->GetTeamNumber())).append(")");
    }
    if (!prefix.empty())
        prefix += " ";
    std::string line(1, '\x03');
    line.append(prefix).append(sender->GetPlayerName()).append("\x01 :  ").append(text);
    return line;
}

void Game::Say(const char* rawText, bool team) {
    std::string text = rawText ? rawText : "";
    // A quoted message loses its quotes.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.empty() || !m_rules)
        return;
    CCSPlayer* sender = m_commandClient >= 0 ? Player(m_commandClient + 1) : nullptr;
    if (m_commandClient >= 0 && !sender)
        return;
    Msg("%s: %s\n", sender ? sender->GetPlayerName() : "Console", text.c_str());
    if (sender) {
        m_rules->Say(sender, text.c_str());
    } else {
        m_sink->FireGameEvent(
            cstrike::GameEvent("player_say")
                .SetInt("userid", 0)
                .SetString("text", text.substr(0, cstrike::CSGameRules::kMaxSayLength)));
    }
    m_messages->Chat(ChatRecipients(sender, team),
                     sender ? m_engine->IndexOfEdict(sender->edict()) : 0,
                     ChatLine(sender, text, team).c_str());
}

void Game::PrintToClient(const CCSPlayer& player, const std::string& text) {
    m_engine->ClientPrintf(player.edict(), text.c_str());
}
