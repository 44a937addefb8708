// Game events: the engine's own (server_spawn, player_connect,
// player_disconnect) and the game's, delivered to listeners by name in the
// order they were added, server-side listeners first. Every event fired is
// also kept in a history that tests and scenarios can search.
#pragma once

#include <igameevents.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/GameEvent.h"

namespace sim {

class GameEventManager final : public IGameEventManager2 {
public:
    struct Fired {
        std::string name;
        std::map<std::string, std::string> values;
    };

    GameEventManager() = default;
    ~GameEventManager() override;

    GameEventManager(const GameEventManager&) = delete;
    GameEventManager& operator=(const GameEventManager&) = delete;

    int LoadEventsFromFile(const char* fileName) override;
    void Reset() override;
    bool AddListener(IGameEventListener2* listener, const char* name, bool serverSide) override;
    bool FindListener(IGameEventListener2* listener, const char* name) override;
    IGameEvent* CreateEvent(const char* name, bool force) override;
    bool FireEvent(IGameEvent* event, bool dontBroadcast) override;
    bool FireEventClientSide(IGameEvent* event) override;
    IGameEvent* DuplicateEvent(IGameEvent* event) override;
    void FreeEvent(IGameEvent* event) override;
    void RemoveListener(IGameEventListener2* listener) override;

    static bool IsKnown(const char* name);
    // Whether human clients are there to hear broadcast events; without
    // them (and without a listener) creating an event gives nothing.
    void SetClientsListening(bool listening) { m_clientsListening = listening; }
    // Drops the listeners the predicate picks; answers how many went.
    size_t RemoveListenersIf(const std::function<bool(IGameEventListener2*)>& predicate);
    size_t ListenerCount(const char* name) const;

    const std::vector<Fired>& History() const { return m_history; }
    void ClearHistory() { m_history.clear(); }

private:
    struct Listener {
        IGameEventListener2* listener;
        std::string name;
        bool serverSide;
    };

    GameEvent* Owned(IGameEvent* event) const;
    bool StillListening(const Listener& listener) const;
    void Deliver(GameEvent& event, bool serverSide);

    std::vector<Listener> m_listeners;
    std::set<GameEvent*> m_events;
    std::vector<Fired> m_history;
    bool m_clientsListening = false;
};

}  // namespace sim
