// vstdlib: the host's shared library with the cvar registry ("VEngineCvar004")
// and the random-number stream ("VEngineRandom001").
#pragma once

#include <tier0/platform.h>
#include <tier1/interface.h>

#ifdef _WIN32
#ifdef vstdlib_EXPORTS
#define VSTDLIB_INTERFACE extern "C" __declspec(dllexport)
#else
#define VSTDLIB_INTERFACE extern "C" __declspec(dllimport)
#endif
#else
#define VSTDLIB_INTERFACE extern "C" __attribute__((visibility("default")))
#endif

// A factory answering "VEngineCvar004" and "VEngineRandom001" with vstdlib's
// single instances; the host's engine factory forwards those names to it.
// (vstdlib deliberately does not export a symbol named CreateInterface.)
VSTDLIB_INTERFACE CreateInterfaceFn VStdLib_GetICVarFactory();
