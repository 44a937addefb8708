#include "engine/GameEvent.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

const std::string* GameEvent::Find(const char* keyName) const {
    if (!keyName)
        return nullptr;
    auto it = m_values.find(keyName);
    return it == m_values.end() ? nullptr : &it->second;
}

bool GameEvent::IsEmpty(const char* keyName) {
    return keyName ? Find(keyName) == nullptr : m_values.empty();
}

bool GameEvent::GetBool(const char* keyName, bool defaultValue) {
    const std::string* value = Find(keyName);
    return value ? std::atoi(value->c_str()) != 0 : defaultValue;
}

int GameEvent::GetInt(const char* keyName, int defaultValue) {
    const std::string* value = Find(keyName);
    return value ? std::atoi(value->c_str()) : defaultValue;
}

float GameEvent::GetFloat(const char* keyName, float defaultValue) {
    const std::string* value = Find(keyName);
    return value ? static_cast<float>(std::atof(value->c_str())) : defaultValue;
}

const char* GameEvent::GetString(const char* keyName, const char* defaultValue) {
    const std::string* value = Find(keyName);
    return value ? value->c_str() : defaultValue;
}

void GameEvent::SetBool(const char* keyName, bool value) {
    SetString(keyName, value ? "1" : "0");
}

void GameEvent::SetInt(const char* keyName, int value) {
    SetString(keyName, std::to_string(value).c_str());
}

void GameEvent::SetFloat(const char* keyName, float value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(value));
    SetString(keyName, text);
}

void GameEvent::SetString(const char* keyName, const char* value) {
    if (keyName && *keyName)
        m_values[keyName] = value ? value : "";
}

}  // namespace sim
