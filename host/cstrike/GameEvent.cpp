#include "GameEvent.h"

namespace cstrike {

const GameEvent::Field* GameEvent::Find(const char* key) const {
    for (const Field& field : m_Fields) {
        if (key && field.key == key) {
            return &field;
        }
    }
    return nullptr;
}

GameEvent::Field& GameEvent::Set(const char* key, Kind kind) {
    Field* field = const_cast<Field*>(Find(key));
    if (!field) {
        field = &m_Fields.emplace_back();
        field->key = key ? key : "";
    }
    field->kind = kind;
    return *field;
}

GameEvent& GameEvent::SetInt(const char* key, int value) {
    Set(key, Kind::Int).intValue = value;
    return *this;
}

GameEvent& GameEvent::SetFloat(const char* key, float value) {
    Set(key, Kind::Float).floatValue = value;
    return *this;
}

GameEvent& GameEvent::SetString(const char* key, const std::string& value) {
    Set(key, Kind::String).stringValue = value;
    return *this;
}

GameEvent& GameEvent::SetBool(const char* key, bool value) {
    Set(key, Kind::Bool).intValue = value ? 1 : 0;
    return *this;
}

int GameEvent::GetInt(const char* key, int defaultValue) const {
    const Field* field = Find(key);
    if (!field || field->kind == Kind::String) {
        return defaultValue;
    }
    if (field->kind != Kind::Float) {
        return field->intValue;
    }
    // A float outside the int range (or NaN) has no int value.
    const float value = field->floatValue;
    return value > -2147483648.0f && value < 2147483648.0f ? static_cast<int>(value) : defaultValue;
}

float GameEvent::GetFloat(const char* key, float defaultValue) const {
    const Field* field = Find(key);
    if (!field || field->kind == Kind::String) {
        return defaultValue;
    }
    return field->kind == Kind::Float ? field->floatValue : static_cast<float>(field->intValue);
}

std::string GameEvent::GetString(const char* key, const std::string& defaultValue) const {
    const Field* field = Find(key);
    if (!field) {
        return defaultValue;
    }
    switch (field->kind) {
        case Kind::String:
            return field->stringValue;
        case Kind::Float:
            return std::to_string(field->floatValue);
        default:
            return std::to_string(field->intValue);
    }
}

bool GameEvent::GetBool(const char* key, bool defaultValue) const {
    return GetInt(key, defaultValue ? 1 : 0) != 0;
}

}  // namespace cstrike
