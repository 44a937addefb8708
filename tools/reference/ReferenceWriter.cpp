#include "ReferenceWriter.h"

#include <tier1/iconvar.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace reference {

namespace {

struct Entry {
    bool variable = false;
    std::string name;
    std::string defaultValue;
    int flags = 0;
    std::string min;
    std::string max;
    std::string help;
};

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// Undoes the listing's \\, \t and \n; false for any other escape.
bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                return false;
        }
    }
    return true;
}

bool ParseFlags(std::string_view text, int& flags) {
    if (text.empty() || text.size() > 10)
        return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > 0x7fffffff)
        return false;
    flags = static_cast<int>(value);
    return true;
}

bool IsBound(std::string_view text) {
    if (text == "-")
        return true;
    const std::string copy(text);
    char* end = nullptr;
    std::strtod(copy.c_str(), &end);
    return !copy.empty() && end && *end == '\0';
}

std::string ParseEntry(std::string_view line, Entry& entry) {
    const std::vector<std::string_view> fields = SplitTabs(line);
    const bool variable = fields[0] == "variable";
    if (!variable && fields[0] != "command")
        return "neither a variable nor a command";
    if (fields.size() != (variable ? 7u : 4u))
        return variable ? "a variable has 7 fields" : "a command has 4 fields";
    entry.variable = variable;
    entry.name = fields[1];
    if (entry.name.empty())
        return "no name";
    const size_t flagsField = variable ? 3 : 2;
    if (!ParseFlags(fields[flagsField], entry.flags))
        return "the flags are not a number";
    if (!Unescape(fields.back(), entry.help))
        return "a bad escape in the help text";
    if (!variable)
        return "";
    if (!Unescape(fields[2], entry.defaultValue))
        return "a bad escape in the default";
    if (!IsBound(fields[4]) || !IsBound(fields[5]))
        return "a bound is neither a number nor -";
    entry.min = fields[4];
    entry.max = fields[5];
    return "";
}

// Table cells: a pipe would end the cell and a line break the row; outside
// code spans, '<' could open an HTML tag ("<target>") and '&' an entity.
std::string Cell(const std::string& text, bool code = false) {
    std::string out;
    for (char c : text) {
        if (c == '|')
            out += "\\|";
        else if (c == '\n')
            out += code ? " " : "<br>";
        else if (c == '\t')
            out += ' ';
        else if (c == '<' && !code)
            out += "&lt;";
        else if (c == '&' && !code)
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

// A code span that holds any text, backticks and an empty text included.
std::string Code(const std::string& text) {
    if (text.empty())
        return "`\"\"`";
    const bool fenced = text.find('`') != std::string::npos;
    std::string out = fenced ? "`` " : "`";
    out += Cell(text, true);
    out += fenced ? " ``" : "`";
    return out;
}

std::string FlagsCell(int flags) {
    const std::string names = FlagNames(flags);
    return names.empty() ? "none" : names;
}

std::string Bounds(const Entry& entry) {
    const bool min = entry.min != "-";
    const bool max = entry.max != "-";
    if (min && max)
        return entry.min + " to " + entry.max;
    if (min)
        return "at least " + entry.min;
    if (max)
        return "at most " + entry.max;
    return "none";
}

const char kHeader[] =
    "# Console variables and commands\n"
    "\n"
    "Every console variable and command Travik registers when it loads, sorted by name: the\n"
    "default, the bounds a value is clamped to, the flags and the help text the server shows for\n"
    "it. Generated from the module itself (`./run reference`); do not edit this\n"
    "file by hand. The README tells what each feature does with them.\n";

}  // namespace

std::string FlagNames(int flags) {
    static const struct {
        int flag;
        const char* name;
    } kNames[] = {
        {FCVAR_UNREGISTERED, "unregistered"},
        {FCVAR_DEVELOPMENTONLY, "development only"},
        {FCVAR_GAMEDLL, "game library"},
        {FCVAR_CLIENTDLL, "client library"},
        {FCVAR_HIDDEN, "hidden"},
        {FCVAR_PROTECTED, "protected"},
        {FCVAR_SPONLY, "single player only"},
        {FCVAR_ARCHIVE, "archive"},
        {FCVAR_NOTIFY, "notify"},
        {FCVAR_USERINFO, "user info"},
        {FCVAR_PRINTABLEONLY, "printable only"},
        {FCVAR_UNLOGGED, "unlogged"},
        {FCVAR_NEVER_AS_STRING, "never as string"},
        {FCVAR_REPLICATED, "replicated"},
        {FCVAR_CHEAT, "cheat"},
    };
    std::string out;
    int rest = flags;
    for (const auto& [flag, name] : kNames) {
        if (!(flags & flag))
            continue;
        out += out.empty() ? "" : ", ";
        out += name;
        rest &= ~flag;
    }
    if (rest) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(rest));
        out += out.empty() ? "" : ", ";
        out += hex;
    }
    return out;
}

std::string RenderReference(std::string_view listing, std::string& error) {
    std::vector<Entry> variables;
    std::vector<Entry> commands;
    int number = 0;
    while (!listing.empty()) {
        const size_t end = listing.find('\n');
        const std::string_view line = listing.substr(0, end);
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        ++number;
        if (line.empty())
            continue;
        Entry entry;
        if (std::string problem = ParseEntry(line, entry); !problem.empty()) {
            error = "line " + std::to_string(number) + ": " + problem;
            return "";
        }
        (entry.variable ? variables : commands).push_back(std::move(entry));
    }
    if (variables.empty() && commands.empty()) {
        error = "the listing holds no variable and no command (was the plug-in loaded?)";
        return "";
    }
    std::string out = kHeader;
    out += "\n## Variables (" + std::to_string(variables.size()) + ")\n\n";
    out += "| name | default | bounds | flags | help |\n|---|---|---|---|---|\n";
    for (const Entry& v : variables)
        out += "| " + Code(v.name) + " | " + Code(v.defaultValue) + " | " + Bounds(v) + " | " +
               FlagsCell(v.flags) + " | " + Cell(v.help) + " |\n";
    out += "\n## Commands (" + std::to_string(commands.size()) + ")\n\n";
    out += "| name | flags | help |\n|---|---|---|\n";
    for (const Entry& c : commands)
        out += "| " + Code(c.name) + " | " + FlagsCell(c.flags) + " | " + Cell(c.help) + " |\n";
    return out;
}

}  // namespace reference
