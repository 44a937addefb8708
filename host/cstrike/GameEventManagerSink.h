// The game library's event sink: each game event becomes an event of the
// engine's IGameEventManager2 (CreateEvent, the fields, FireEvent), so the
// plug-ins' listeners hear it. An event nobody listens to is not created,
// as the engine decides.
#pragma once

#include "GameEvent.h"

class IGameEventManager2;

namespace cstrike {

class GameEventManagerSink final : public IGameEventSink {
public:
    explicit GameEventManagerSink(IGameEventManager2& manager) : m_Manager(manager) {}

    void FireGameEvent(const GameEvent& event) override;

private:
    IGameEventManager2& m_Manager;
};

}  // namespace cstrike
