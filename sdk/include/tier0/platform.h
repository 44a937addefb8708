// Basic types and export macros shared by every SDK header.
#pragma once

#include <cstddef>
#include <cstdint>

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using byte = unsigned char;
using uint = unsigned int;

// Modules are built with hidden visibility; only what these mark leaves a
// shared object. DLL_EXPORT is for a module's C entry points (CreateInterface),
// PLATFORM_INTERFACE for what tier0 exports, VSTDLIB_INTERFACE for vstdlib.
#define DLL_EXPORT extern "C" __attribute__((visibility("default")))
#define DLL_IMPORT extern "C"
#define DLL_CLASS_EXPORT __attribute__((visibility("default")))
#define DLL_GLOBAL_EXPORT extern __attribute__((visibility("default")))

#define PLATFORM_INTERFACE extern "C" __attribute__((visibility("default")))
#define PLATFORM_OVERLOAD __attribute__((visibility("default")))
#define PLATFORM_CLASS __attribute__((visibility("default")))

// printf-style checking for every formatting entry point.
#define FMTFUNCTION(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

#define ARRAYSIZE(a) (sizeof(a) / sizeof((a)[0]))
