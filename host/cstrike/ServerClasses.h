// The game's list of networked classes (IServerGameDLL::GetAllServerClasses),
// each with its send table, and the game's tick interval.
#pragma once

class ServerClass;

namespace cstrike {

// The head of the list; the list lives as long as the program.
ServerClass* GetAllServerClasses();
// The class of that network name (case-sensitive), or null.
ServerClass* FindServerClass(const char* name);

// The game's default tick interval: 1/66 s rounded as the game does, to 15 ms
// (so 66.7 ticks a second, which reads back as a tick rate of 66).
inline constexpr float kDefaultTickInterval = 0.015f;
// The tick interval for a tick rate asked for on the command line
// (-tickrate): 1/rate for rates from 10 to 1000, the default otherwise.
float GameTickInterval(float requestedRate);

}  // namespace cstrike
