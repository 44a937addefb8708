#pragma once

#include <string>

// Drops the six-character "STEAM_" prefix of a network ID in place
// ("STEAM_0:1:2345" becomes "0:1:2345"). The first six characters go
// whatever they are; six characters or fewer leave an empty string.
void TrimSteamID(std::string& id);
// The same on a NUL-terminated buffer; a null pointer is ignored.
void TrimSteamID(char* id);
