// The console variables a Counter-Strike: Source client carries out of the
// box, at their shipped defaults, and its console commands: what an
// unscripted client answers when a server asks about a name.
#pragma once

#include <string>
#include <vector>

namespace sim {

// The client's default text for the variable, or null when a client has no
// such variable.
const char* ClientCvarDefault(const std::string& name);

// Every variable in the table, for a client to start from.
std::vector<const char*> ClientCvarDefaultNames();

// Whether the name is a console command of the client: a query for it
// answers "not a cvar".
bool IsClientCommand(const std::string& name);

}  // namespace sim
