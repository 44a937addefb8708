// What differs between the operating systems srcds-sim runs on: loadable
// modules (the game library, plug-ins), loaded as the system loads them
// (dlopen on Linux, LoadLibrary on Windows, where every module opened here
// also reads the sim's wall clock, see WallClock.h), paths, local time.
#pragma once

#include <ctime>
#include <string>

namespace sim {

// The file extension the server adds to a module's name.
#ifdef _WIN32
inline constexpr const char kModuleExtension[] = ".dll";
#else
inline constexpr const char kModuleExtension[] = ".so";
#endif

class SharedModule {
public:
    // The module's handle, or nullptr with the loader's message in error.
    static void* Open(const std::string& path, std::string& error);
    static void* Symbol(void* handle, const char* name);
    static void Close(void* handle);
    // The base address of the module that holds the address, or nullptr.
    static const void* BaseOf(const void* address);
};

// "/x"; on Windows "C:/x" and "C:\\x" too.
bool IsAbsolutePath(const std::string& path);

// The path without the separators at its end ('/', on Windows '\\' too); a
// root ("/", on Windows "C:\\") stays whole.
std::string WithoutTrailingSeparators(std::string path);

// The folder of the running executable, or "" when it cannot be told.
std::string ExecutableDir();

// Seconds since the epoch of a broken-down UTC time, as timegm counts them
// on every platform: any year, fields out of their range carried over.
double UtcEpoch(const struct tm& when);

// Local time as Coordinated Universal Time from now on, for the whole
// process (scenarios are written in UTC).
void UseUtcLocalTime();

}  // namespace sim
