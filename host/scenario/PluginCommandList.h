// The variables and commands the loaded plug-ins registered, as data: one
// tab-separated line each, sorted by name, for tools that document a
// plug-in from its module (the scenario word "commands print").
//
//   variable NAME DEFAULT FLAGS MIN MAX HELP
//   command  NAME FLAGS HELP
//
// FLAGS is the decimal FCVAR_ value; MIN and MAX are "-" when unbounded. In
// DEFAULT and HELP a backslash, a tab and a line break are written \\, \t
// and \n, so every entry stays one line.
#pragma once

#include <string>
#include <vector>

namespace sim {

class Server;

std::vector<std::string> PluginCommandLines(Server& server);

// The escaping of DEFAULT and HELP.
std::string EscapeField(const char* text);

}  // namespace sim
