// Reading host command arguments the way the engine does: the player a
// kickid or banid names (a user ID, a Steam ID the tokenizer split into
// five words, or another network ID), and the raw text after it.
#pragma once

#include <tier1/convar.h>

#include <string>

namespace sim {

struct CommandTarget {
    int userId = -1;        // when the argument was a number
    std::string networkId;  // otherwise
    int nextArg = 0;        // the first argument after the target
};

class CommandArgs {
public:
    // The target starting at argument first.
    static CommandTarget Target(const CCommand& args, int first);
    // The rest of the line from argument index on exactly as typed (quotes
    // and trailing blanks kept), "" when there is none.
    static std::string RawRestFrom(const CCommand& args, int index);
    // The same without trailing blanks, and one quoted section as its text.
    static std::string RestFrom(const CCommand& args, int index);
    // A whole non-negative number (for plug-in indexes and the like).
    static bool ParseIndex(const char* text, int& value);
};

}  // namespace sim
