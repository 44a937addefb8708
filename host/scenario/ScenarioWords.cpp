#include "scenario/ScenarioWords.h"

namespace sim::scenario_words {

namespace {

// A control byte that ends an error asks for the usage text.
constexpr char kMarker = '\x01';
constexpr size_t kUsageColumn = 34;

}  // namespace

std::string BadLine(std::string_view detail) {
    std::string error(detail);
    error.push_back(kMarker);
    return error;
}

std::string Explain(const std::string& error, std::string_view usage) {
    if (error.empty() || error.back() != kMarker)
        return error;
    const std::string detail = error.substr(0, error.size() - 1);
    std::string shown = detail.empty() ? "usage: " : detail + " (usage: ";
    shown += usage;
    if (!detail.empty())
        shown += ')';
    return shown;
}

bool Matches(const char* words, std::string_view word) {
    const std::string_view all(words);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('|', start);
        if (end == std::string_view::npos)
            end = all.size();
        if (all.substr(start, end - start) == word)
            return true;
        start = end + 1;
    }
    return false;
}

void AppendHelpLine(std::string& help, std::string_view usage, std::string_view about) {
    const std::string_view form(usage);
    help += "  ";
    help += form;
    if (!about.empty()) {
        if (form.size() + 1 < kUsageColumn)
            help.append(kUsageColumn - form.size(), ' ');
        else
            help.append("\n").append(kUsageColumn + 2, ' ');
        help += about;
    }
    help += '\n';
}

}  // namespace sim::scenario_words
