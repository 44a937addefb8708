#pragma once

#include <string>

// Readings of outside text that the host callbacks act on.

// The words of chat that players use to ready up.
enum class ReadyWord { None, Ready, Unready };

// "!ready" or "!unready" in any case, and nothing else around them.
ReadyWord ReadyWordOf(const char* text);

// The address of a server-spawn event without its port: what stands before
// the last ':', or the whole text without one.
std::string AddressWithoutPort(const char* address);

// Whether a disconnect reason reports the engine's memory-corruption check.
bool IsMemoryCorruptionReason(const char* reason);
