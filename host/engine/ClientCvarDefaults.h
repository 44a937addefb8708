// The console variables a Counter-Strike: Source client carries out of the
// box, at their shipped defaults: what an unscripted client answers when a
// server asks about one of them.
#pragma once

#include <string>
#include <vector>

namespace sim {

// The client's default text for the variable, or null when a client has no
// such variable.
const char* ClientCvarDefault(const std::string& name);

// Every variable in the table, for a client to start from.
std::vector<const char*> ClientCvarDefaultNames();

}  // namespace sim
