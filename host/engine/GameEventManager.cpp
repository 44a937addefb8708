#include "engine/GameEventManager.h"

#include <strings.h>

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

// The events of the engine and of Counter-Strike: Source's resource files.
const char* const kKnownEvents[] = {
    "server_spawn",       "server_shutdown",    "server_cvar",
    "server_message",     "server_addban",      "server_removeban",
    "player_connect",     "player_info",        "player_disconnect",
    "player_activate",    "player_say",         "player_team",
    "player_spawn",       "player_death",       "player_hurt",
    "player_blind",       "player_changename",  "player_footstep",
    "player_jump",        "player_falldamage",  "round_start",
    "round_end",          "round_freeze_end",   "game_start",
    "game_end",           "game_newmap",        "bomb_beginplant",
    "bomb_abortplant",    "bomb_planted",       "bomb_defused",
    "bomb_exploded",      "bomb_dropped",       "bomb_pickup",
    "bomb_begindefuse",   "bomb_abortdefuse",   "hostage_follows",
    "hostage_hurt",       "hostage_killed",     "hostage_rescued",
    "weapon_fire",        "weapon_reload",      "item_pickup",
    "flashbang_detonate", "hegrenade_detonate", "smokegrenade_detonate",
    "bullet_impact",      "door_moving",        "vip_escaped",
};

}  // namespace

GameEventManager::~GameEventManager() {
    for (GameEvent* event : m_events)
        delete event;
}

bool GameEventManager::IsKnown(const char* name) {
    if (!name)
        return false;
    return std::any_of(std::begin(kKnownEvents), std::end(kKnownEvents),
                       [name](const char* known) { return strcasecmp(known, name) == 0; });
}

int GameEventManager::LoadEventsFromFile(const char*) {
    // The event descriptions are built in; nothing new comes from a file.
    return 0;
}

void GameEventManager::Reset() {
    m_listeners.clear();
}

bool GameEventManager::AddListener(IGameEventListener2* listener, const char* name,
                                   bool serverSide) {
    if (!listener || !IsKnown(name))
        return false;
    if (!FindListener(listener, name))
        m_listeners.push_back({listener, name, serverSide});
    return true;
}

bool GameEventManager::FindListener(IGameEventListener2* listener, const char* name) {
    return name && std::any_of(m_listeners.begin(), m_listeners.end(), [&](const Listener& l) {
               return l.listener == listener && strcasecmp(l.name.c_str(), name) == 0;
           });
}

size_t GameEventManager::ListenerCount(const char* name) const {
    return static_cast<size_t>(std::count_if(
        m_listeners.begin(), m_listeners.end(),
        [&](const Listener& l) { return name && strcasecmp(l.name.c_str(), name) == 0; }));
}

IGameEvent* GameEventManager::CreateEvent(const char* name, bool force) {
    if (!IsKnown(name))
        return nullptr;
    if (!force && !m_clientsListening && ListenerCount(name) == 0)
        return nullptr;
    auto* event = new GameEvent(name);
    m_events.insert(event);
    return event;
}

GameEvent* GameEventManager::Owned(IGameEvent* event) const {
    auto* candidate = static_cast<GameEvent*>(event);
    return m_events.count(candidate) ? candidate : nullptr;
}

bool GameEventManager::StillListening(const Listener& listener) const {
    return std::any_of(m_listeners.begin(), m_listeners.end(), [&](const Listener& l) {
        return l.listener == listener.listener && l.name == listener.name;
    });
}

void GameEventManager::Deliver(GameEvent& event, bool serverSide) {
    // A listener may add or remove listeners, or fire events, while it runs.
    std::vector<Listener> targets;
    for (const Listener& l : m_listeners)
        if (l.serverSide == serverSide && strcasecmp(l.name.c_str(), event.GetName()) == 0)
            targets.push_back(l);
    for (const Listener& target : targets)
        if (StillListening(target))
            target.listener->FireGameEvent(&event);
}

bool GameEventManager::FireEvent(IGameEvent* event, bool dontBroadcast) {
    GameEvent* owned = Owned(event);
    if (!owned)
        return false;
    Deliver(*owned, true);
    if (!dontBroadcast)
        Deliver(*owned, false);
    m_history.push_back({owned->GetName(), owned->Values()});
    FreeEvent(owned);
    return true;
}

bool GameEventManager::FireEventClientSide(IGameEvent* event) {
    GameEvent* owned = Owned(event);
    if (!owned)
        return false;
    Deliver(*owned, false);
    m_history.push_back({owned->GetName(), owned->Values()});
    FreeEvent(owned);
    return true;
}

IGameEvent* GameEventManager::DuplicateEvent(IGameEvent* event) {
    GameEvent* owned = Owned(event);
    if (!owned)
        return nullptr;
    auto* copy = new GameEvent(*owned);
    m_events.insert(copy);
    return copy;
}

void GameEventManager::FreeEvent(IGameEvent* event) {
    if (GameEvent* owned = Owned(event)) {
        m_events.erase(owned);
        delete owned;
    }
}

void GameEventManager::RemoveListener(IGameEventListener2* listener) {
    std::erase_if(m_listeners, [listener](const Listener& l) { return l.listener == listener; });
}

size_t GameEventManager::RemoveListenersIf(
    const std::function<bool(IGameEventListener2*)>& predicate) {
    return std::erase_if(m_listeners, [&](const Listener& l) { return predicate(l.listener); });
}

}  // namespace sim
