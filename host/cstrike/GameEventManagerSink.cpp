#include "GameEventManagerSink.h"

#include <igameevents.h>

namespace cstrike {

void GameEventManagerSink::FireGameEvent(const GameEvent& event) {
    IGameEvent* fired = m_Manager.CreateEvent(event.GetName().c_str());
    if (!fired) {
        return;
    }
    for (const GameEvent::Field& field : event.Fields()) {
        const char* key = field.key.c_str();
        switch (field.kind) {
            case GameEvent::Kind::Int:
                fired->SetInt(key, field.intValue);
                break;
            case GameEvent::Kind::Float:
                fired->SetFloat(key, field.floatValue);
                break;
            case GameEvent::Kind::String:
                fired->SetString(key, field.stringValue.c_str());
                break;
            case GameEvent::Kind::Bool:
                fired->SetBool(key, field.intValue != 0);
                break;
        }
    }
    m_Manager.FireEvent(fired);
}

}  // namespace cstrike
