// One game event: a name and its values by key, kept as text and read back
// as the type the reader asks for.
#pragma once

#include <igameevents.h>

#include <map>
#include <string>

namespace sim {

class GameEvent final : public IGameEvent {
public:
    explicit GameEvent(std::string name) : m_name(std::move(name)) {}

    const char* GetName() const override { return m_name.c_str(); }
    bool IsReliable() const override { return true; }
    bool IsLocal() const override { return false; }
    bool IsEmpty(const char* keyName) override;

    bool GetBool(const char* keyName, bool defaultValue) override;
    int GetInt(const char* keyName, int defaultValue) override;
    float GetFloat(const char* keyName, float defaultValue) override;
    const char* GetString(const char* keyName, const char* defaultValue) override;

    void SetBool(const char* keyName, bool value) override;
    void SetInt(const char* keyName, int value) override;
    void SetFloat(const char* keyName, float value) override;
    void SetString(const char* keyName, const char* value) override;

    const std::map<std::string, std::string>& Values() const { return m_values; }

private:
    const std::string* Find(const char* keyName) const;

    std::string m_name;
    std::map<std::string, std::string> m_values;
};

}  // namespace sim
