// What differs between the Linux build (travik.so) and the Windows build
// (travik.dll) of the same sources, in one place.
#pragma once

#include <ctime>

namespace BuildPlatform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kModuleFileName = "travik.dll";
inline constexpr const char* kModuleExtension = ".dll";
inline constexpr const char* kAddonsFolder = "\\addons\\";
#else
inline constexpr bool kWindows = false;
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kModuleFileName = "travik.so";
inline constexpr const char* kModuleExtension = ".so";
inline constexpr const char* kAddonsFolder = "/addons/";
#endif

// A virtual-table slot of the game's entity classes, given as the Linux game
// library has it. The Windows game library is built by the Microsoft
// compiler, which gives a virtual destructor one slot where g++ gives two,
// so every slot after it is one lower there.
constexpr int GameSlot(int linuxSlot) {
    return kWindows ? linuxSlot - 1 : linuxSlot;
}

// The local time of a moment; false when the C library cannot tell.
inline bool LocalTime(std::time_t moment, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &moment) == 0;
#else
    return localtime_r(&moment, &out) != nullptr;
#endif
}

// The game client's library; loaded only in a game client's process.
inline constexpr const char* kClientModuleName = "client.dll";

// True when the game's client library is loaded into this process: a game
// client, not a dedicated server (only the Windows build can ask).
bool ClientModuleLoaded();

}  // namespace BuildPlatform
