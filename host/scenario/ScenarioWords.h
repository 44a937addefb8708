// The words of the scenario language live in tables: each entry names its
// word (alternatives joined by '|'), what runs it, and its usage text, which
// both --help and the error of a malformed line show. A new action, client
// verb or expectation is one entry in one table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

template <typename Handler>
struct ScenarioVerb {
    const char* words;  // "kicked|rejected|disconnected"
    Handler handler;
    const char* usage;  // the line's form: "client NAME latency SECONDS"
    const char* about;  // what it does, for --help ("" for none)
};

namespace scenario_words {

// What a handler returns for a line that does not fit its usage: the caller
// shows the entry's usage text instead. BadLine("bad input x=y") keeps the
// detail and adds the usage.
std::string BadLine(std::string_view detail = {});
// The error as the user sees it: a BadLine marker becomes the usage text.
std::string Explain(const std::string& error, std::string_view usage);

// Whether WORD is one of the '|'-separated alternatives.
bool Matches(const char* words, std::string_view word);

template <typename Entry>
const Entry* Find(const std::vector<Entry>& table, std::string_view word) {
    for (const Entry& entry : table)
        if (Matches(entry.words, word))
            return &entry;
    return nullptr;
}

// One line of --help per entry, in the table's order.
void AppendHelpLine(std::string& help, std::string_view usage, std::string_view about);

template <typename Entry>
void AppendHelp(std::string& help, const std::vector<Entry>& table) {
    for (const Entry& entry : table)
        AppendHelpLine(help, entry.usage, entry.about);
}

}  // namespace scenario_words

}  // namespace sim
