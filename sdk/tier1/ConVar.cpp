// Console variables: value storage, bounds and the change callback.
#include <icvar.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The integer beside the float: saturated at the int range, 0 for NaN, so
// that an infinite or undefined number never reaches an undefined conversion.
int FloatToInt(float value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

// A text's number as the C library's atof reads it: leading blanks, decimal
// or hexadecimal ("0x10"), exponents ("1e3"), "inf" and "nan" (Microsoft's
// C runtime reads decimal numbers and exponents only); a text that
// does not start with a number counts as 0. Beyond the float range it is
// infinite, as the float conversion of the real console makes it.
float ParseNumber(const char* text) {
    return static_cast<float>(std::atof(text));
}

// A bound the value was clamped to, as the console stores it.
void FormatClamped(float value, char (&out)[32]) {
    std::snprintf(out, sizeof(out), "%f", static_cast<double>(value));
}

}  // namespace

ConVar::ConVar(const char* name, const char* defaultValue, int flags) {
    CreateVar(name, defaultValue, flags, nullptr, false, 0.0f, false, 0.0f, nullptr);
}

ConVar::ConVar(const char* name, const char* defaultValue, int flags, const char* helpText) {
    CreateVar(name, defaultValue, flags, helpText, false, 0.0f, false, 0.0f, nullptr);
}

ConVar::ConVar(const char* name, const char* defaultValue, int flags, const char* helpText,
               bool hasMin, float min, bool hasMax, float max) {
    CreateVar(name, defaultValue, flags, helpText, hasMin, min, hasMax, max, nullptr);
}

ConVar::ConVar(const char* name, const char* defaultValue, int flags, const char* helpText,
               FnChangeCallback_t callback) {
    CreateVar(name, defaultValue, flags, helpText, false, 0.0f, false, 0.0f, callback);
}

ConVar::ConVar(const char* name, const char* defaultValue, int flags, const char* helpText,
               bool hasMin, float min, bool hasMax, float max, FnChangeCallback_t callback) {
    CreateVar(name, defaultValue, flags, helpText, hasMin, min, hasMax, max, callback);
}

ConVar::~ConVar() {
    delete[] m_pszString;
    m_pszString = nullptr;
}

void ConVar::CreateVar(const char* name, const char* defaultValue, int flags, const char* helpText,
                       bool hasMin, float min, bool hasMax, float max,
                       FnChangeCallback_t callback) {
    m_pszDefaultValue = defaultValue ? defaultValue : "";
    m_bHasMin = hasMin;
    m_fMinVal = min;
    m_bHasMax = hasMax;
    m_fMaxVal = max;
    // The default is held to the bounds too, without a callback.
    float value = ParseNumber(m_pszDefaultValue);
    char bound[32];
    const char* text = m_pszDefaultValue;
    if (ClampValue(value)) {
        FormatClamped(value, bound);
        text = bound;
    }
    CopyString(text);
    m_fValue = value;
    m_nValue = FloatToInt(value);
    m_fnChangeCallback = callback;
    ConCommandBase::Create(name, helpText, flags);
}

bool ConVar::IsCommand() const {
    return false;
}
bool ConVar::IsFlagSet(int flag) const {
    return ConCommandBase::IsFlagSet(flag);
}
const char* ConVar::GetName() const {
    return ConCommandBase::GetName();
}

void ConVar::SetValue(const char* value) {
    InternalSetValue(value);
}
void ConVar::SetValue(float value) {
    InternalSetFloatValue(value);
}
void ConVar::SetValue(int value) {
    InternalSetIntValue(value);
}
void ConVar::Revert() {
    SetValue(m_pszDefaultValue);
}

bool ConVar::GetMin(float& min) const {
    min = m_fMinVal;
    return m_bHasMin;
}

bool ConVar::GetMax(float& max) const {
    max = m_fMaxVal;
    return m_bHasMax;
}

void ConVar::InternalSetValue(const char* value) {
    const char* text = value ? value : "";
    float number = ParseNumber(text);
    char bound[32];
    if (ClampValue(number)) {
        FormatClamped(number, bound);
        text = bound;
    }
    StoreValue(text, number, FloatToInt(number));
}

// The number sets return at once when the number is the one held (compared
// before clamping); only a text set runs the callback for an unchanged value.
void ConVar::InternalSetFloatValue(float value) {
    if (value == m_fValue)
        return;
    float number = value;
    ClampValue(number);
    char text[32];
    std::snprintf(text, sizeof(text), "%f", static_cast<double>(number));
    StoreValue(text, number, FloatToInt(number));
}

void ConVar::InternalSetIntValue(int value) {
    if (value == m_nValue)
        return;
    float number = static_cast<float>(value);
    if (ClampValue(number))
        value = FloatToInt(number);
    char text[32];
    std::snprintf(text, sizeof(text), "%d", value);
    StoreValue(text, number, value);
}

bool ConVar::ClampValue(float& value) {
    bool clamped = false;
    if (m_bHasMin && value < m_fMinVal) {
        value = m_fMinVal;
        clamped = true;
    }
    if (m_bHasMax && value > m_fMaxVal) {
        value = m_fMaxVal;
        clamped = true;
    }
    return clamped;
}

void ConVar::StoreValue(const char* text, float value, int intValue) {
    // The callback's old text is a copy of its own: a nested set inside the
    // callback replaces the stored text but not what this call handed out.
    const std::string oldText = GetString();
    const float oldFloat = m_fValue;
    CopyString(text);
    m_fValue = value;
    m_nValue = intValue;
    if (FnChangeCallback_t callback = m_fnChangeCallback)
        callback(this, oldText.c_str(), oldFloat);
    if (g_pCVar)
        g_pCVar->CallGlobalChangeCallbacks(this, oldText.c_str(), oldFloat);
}

void ConVar::CopyString(const char* text) {
    const size_t length = std::strlen(text);
    if (length + 1 > static_cast<size_t>(m_nStringCapacity)) {
        const size_t capacity = length + 1 < 16 ? 16 : length + 1;
        char* buffer = new char[capacity];
        std::memcpy(buffer, text, length + 1);  // text may live in the old buffer
        delete[] m_pszString;
        m_pszString = buffer;
        m_nStringCapacity = static_cast<int>(capacity);
        return;
    }
    std::memmove(m_pszString, text, length + 1);
}
