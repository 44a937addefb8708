// A game event as the game produces it ("round_start", "player_death", ...):
// a name and typed key/value fields, handed to an event sink. The game
// library's sink turns it into an IGameEventManager2 event
// (GameEventManagerSink); tests keep them.
#pragma once

#include <string>
#include <vector>

namespace cstrike {

class GameEvent {
public:
    enum class Kind { Int, Float, String, Bool };
    struct Field {
        std::string key;
        Kind kind = Kind::Int;
        int intValue = 0;
        float floatValue = 0.0f;
        std::string stringValue;
    };

    explicit GameEvent(std::string name) : m_Name(std::move(name)) {}

    const std::string& GetName() const { return m_Name; }
    const std::vector<Field>& Fields() const { return m_Fields; }

    GameEvent& SetInt(const char* key, int value);
    GameEvent& SetFloat(const char* key, float value);
    GameEvent& SetString(const char* key, const std::string& value);
    GameEvent& SetBool(const char* key, bool value);

    bool Has(const char* key) const { return Find(key) != nullptr; }
    int GetInt(const char* key, int defaultValue = 0) const;
    float GetFloat(const char* key, float defaultValue = 0.0f) const;
    std::string GetString(const char* key, const std::string& defaultValue = "") const;
    bool GetBool(const char* key, bool defaultValue = false) const;

private:
    const Field* Find(const char* key) const;
    Field& Set(const char* key, Kind kind);

    std::string m_Name;
    std::vector<Field> m_Fields;
};

class IGameEventSink {
public:
    virtual void FireGameEvent(const GameEvent& event) = 0;

protected:
    ~IGameEventSink() = default;
};

// Text the game shows every player (HUD_PRINTCENTER, HUD_PRINTCONSOLE, ...).
class IPlayerMessages {
public:
    virtual void TextToAll(int destination, const char* text) = 0;

protected:
    ~IPlayerMessages() = default;
};

}  // namespace cstrike
