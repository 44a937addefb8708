#include "enforcement/TKCvar.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

TKCvar::TKCvar(const char* name, const char* value, Bounds bounds, bool mustExist, bool cheat,
               TKCvarInfoHandler handler)
    : m_HasValue(value != nullptr),
      m_Value(value ? value : ""),
      m_DefaultValue(value ? CvarAnswerValue(value) : 0.0f),
      m_Bounds(bounds),
      m_MustExist(mustExist),
      m_Cheat(cheat),
      m_Handler(handler) {
    if (name) {
        std::strncpy(m_Name, name, kNameSize - 1);
    }
}

cvarValueCompare_t TKCvar::CheckValue(const char* text, float value) const {
    // "nan" compares false against any bound, so a client could pass a
    // ranged entry with it; it is outside every range.
    if (std::isnan(value) && (m_Bounds.hasMin || m_Bounds.hasMax)) {
        return m_Bounds.hasMax ? CVAR_ABOVE_MAXIMUM : CVAR_BELOW_MINIMUM;
    }
    if (m_Bounds.hasMin && m_Bounds.min > value) {
        return CVAR_BELOW_MINIMUM;
    }
    if (m_Bounds.hasMax && value > m_Bounds.max) {
        return CVAR_ABOVE_MAXIMUM;
    }
    if (m_Bounds.hasMin || m_Bounds.hasMax) {
        return CVAR_ACCEPTABLE;
    }
    const bool sameText = m_HasValue && text && m_Value == text;
    return value != m_DefaultValue && !sameText ? CVAR_NOT_DEFAULT : CVAR_ACCEPTABLE;
}

void TKCvar::CallInfoHandler(edict_t* player, float value) {
    if (player && m_Handler) {
        m_Handler(this, player, value);
    }
}

float CvarAnswerValue(const char* text) {
    return text ? std::strtof(text, nullptr) : 0.0f;
}
