// tier0 console output: printf-style messages delivered to one output sink
// that the host installs (by default stdout for messages, stderr for warnings).
#pragma once

#include <Color.h>
#include <tier0/platform.h>

enum SpewType_t {
    SPEW_MESSAGE = 0,  // Msg, ConMsg, ConColorMsg
    SPEW_WARNING,      // Warning
    SPEW_DEVELOPER,    // DevMsg
    SPEW_TYPE_COUNT
};

// The sink receives every message after formatting, whole (no length limit),
// with the colour it was printed in.
typedef void (*SpewOutputFunc_t)(SpewType_t type, const Color& color, const char* text);

// Installs the sink (null puts the default back) and returns the previous one.
PLATFORM_INTERFACE SpewOutputFunc_t SpewOutputFunc(SpewOutputFunc_t func);
PLATFORM_INTERFACE SpewOutputFunc_t GetSpewOutputFunc();
// The default sink, for a host that wants to forward to it.
PLATFORM_INTERFACE void DefaultSpewOutputFunc(SpewType_t type, const Color& color,
                                              const char* text);

PLATFORM_INTERFACE void Msg(const char* format, ...) FMTFUNCTION(1, 2);
PLATFORM_INTERFACE void Warning(const char* format, ...) FMTFUNCTION(1, 2);
PLATFORM_INTERFACE void DevMsg(const char* format, ...) FMTFUNCTION(1, 2);
PLATFORM_INTERFACE void ConMsg(const char* format, ...) FMTFUNCTION(1, 2);
PLATFORM_OVERLOAD void ConColorMsg(const Color& color, const char* format, ...) FMTFUNCTION(2, 3);
