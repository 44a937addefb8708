#include "scenario/PluginCommandList.h"

#include <tier1/convar.h>

#include <strings.h>
#include <algorithm>
#include <cstdio>

#include "engine/Server.h"

namespace sim {

namespace {

std::string Bound(bool has, float value) {
    if (!has)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string LineOf(const ConCommandBase& base) {
    const std::string flags = std::to_string(base.GetFlags());
    const std::string help = EscapeField(base.GetHelpText());
    if (base.IsCommand())
        return "command\t" + std::string(base.GetName()) + "\t" + flags + "\t" + help;
    const auto& var = static_cast<const ConVar&>(base);
    float min = 0;
    float max = 0;
    const bool hasMin = var.GetMin(min);
    const bool hasMax = var.GetMax(max);
    return "variable\t" + std::string(base.GetName()) + "\t" + EscapeField(var.GetDefault()) +
           "\t" + flags + "\t" + Bound(hasMin, min) + "\t" + Bound(hasMax, max) + "\t" + help;
}

}  // namespace

std::string EscapeField(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        switch (*p) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += *p;
        }
    }
    return out;
}

std::vector<std::string> PluginCommandLines(Server& server) {
    std::vector<const ConCommandBase*> entries;
    for (const ConCommandBase* base = server.Cvar().GetCommands(); base; base = base->GetNext())
        if (server.IsPluginRegistration(*base))
            entries.push_back(base);
    std::sort(entries.begin(), entries.end(), [](const ConCommandBase* a, const ConCommandBase* b) {
        return strcasecmp(a->GetName(), b->GetName()) < 0;
    });
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const ConCommandBase* base : entries)
        lines.push_back(LineOf(*base));
    return lines;
}

}  // namespace sim
