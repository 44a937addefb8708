#pragma once

#include <string>

struct edict_t;

// How an answer compares with a list entry.
enum cvarValueCompare_t {
    CVAR_ACCEPTABLE = 0,
    CVAR_NOT_DEFAULT = 1,
    CVAR_ABOVE_MAXIMUM = 2,
    CVAR_BELOW_MINIMUM = 3,
};

class TKCvar;
// Decides on its own about the answers of an information entry.
using TKCvarInfoHandler = void (*)(TKCvar* entry, edict_t* player, float value);

// One client variable of the scanning list: what its answers must be.
class TKCvar {
public:
    static constexpr int kNameSize = 64;

    struct Bounds {
        bool hasMin = false;
        float min = 0.0f;
        bool hasMax = false;
        float max = 0.0f;
    };

    // `value` may be null: no expected text, expected number 0. A name is
    // cut to kNameSize - 1 characters.
    TKCvar(const char* name, const char* value, Bounds bounds, bool mustExist, bool cheat,
           TKCvarInfoHandler handler);

    const char* GetName() const { return m_Name; }
    const char* GetDefaultText() const { return m_HasValue ? m_Value.c_str() : nullptr; }
    float GetDefaultValue() const { return m_DefaultValue; }
    const Bounds& GetBounds() const { return m_Bounds; }
    bool MustExist() const { return m_MustExist; }
    bool IsCheat() const { return m_Cheat; }
    bool IsInfo() const { return m_Handler != nullptr; }

    // Bounds first; without bounds the text or its number must match, so
    // "1", "1.0" and "01" all satisfy "1".
    cvarValueCompare_t CheckValue(const char* text, float value) const;
    void CallInfoHandler(edict_t* player, float value);

private:
    char m_Name[kNameSize] = {};
    bool m_HasValue = false;
    std::string m_Value;
    float m_DefaultValue = 0.0f;
    Bounds m_Bounds;
    bool m_MustExist = false;
    bool m_Cheat = false;
    TKCvarInfoHandler m_Handler = nullptr;
};

// A client's answer text read as a number, as the scanner judges it; 0 for
// text that is no number.
float CvarAnswerValue(const char* text);
