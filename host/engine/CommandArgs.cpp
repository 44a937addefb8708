#include "engine/CommandArgs.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace sim {

CommandTarget CommandArgs::Target(const CCommand& args, int first) {
    CommandTarget target;
    const char* word = args[first];
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
        target.userId = std::atoi(word);
        target.nextArg = first + 1;
    } else if (strncasecmp(word, "STEAM_", 6) == 0 && std::strcmp(args[first + 1], ":") == 0) {
        // "STEAM_0:1:23" arrives as STEAM_0 : 1 : 23.
        target.networkId = std::string(word) + ":" + args[first + 2] + ":" + args[first + 4];
        target.nextArg = first + 5;
    } else {
        target.networkId = word;
        target.nextArg = first + 1;
    }
    return target;
}

std::string CommandArgs::RawRestFrom(const CCommand& args, int index) {
    if (index >= args.ArgC())
        return "";
    std::string_view raw = args.ArgS();
    size_t pos = 0;
    // Step over the raw text of each argument before index.
    for (int i = 1; i < index; ++i) {
        const std::string_view arg = args[i];
        const size_t found = raw.find(arg, pos);
        if (found == std::string_view::npos)
            return "";
        pos = found + arg.size();
        if (pos < raw.size() && raw[pos] == '"')
            ++pos;
    }
    while (pos < raw.size() && static_cast<unsigned char>(raw[pos]) <= ' ')
        ++pos;
    return std::string(raw.substr(pos));
}

std::string CommandArgs::RestFrom(const CCommand& args, int index) {
    std::string rest = RawRestFrom(args, index);
    while (!rest.empty() && static_cast<unsigned char>(rest.back()) <= ' ')
        rest.pop_back();
    // One quoted section is its text.
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' &&
        rest.find('"', 1) == rest.size() - 1)
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

bool CommandArgs::ParseIndex(const char* text, int& value) {
    if (!text || !*text)
        return false;
    for (const char* c = text; *c; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    value = std::atoi(text);
    return true;
}

}  // namespace sim
