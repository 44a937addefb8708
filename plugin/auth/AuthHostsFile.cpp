#include "auth/AuthHostsFile.h"

#include <algorithm>

#include "core/ConfigFile.h"
#include "messaging/tkLog.h"
#include "support/TKStrUtils.h"

namespace {

bool IsAliasCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

// A URL that libcurl would take as one of ours: a scheme we fetch and no
// blank or control byte.
bool IsUrl(std::string_view url) {
    const std::string lower = TKStrUtils::stringToLower(std::string(url));
    if (!lower.starts_with("http://") && !lower.starts_with("https://"))
        return false;
    return std::none_of(url.begin(), url.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
}

// Why the line is no entry, or null with `entry` filled.
const char* ReadEntry(std::string_view line, const std::vector<std::string>& known,
                      AuthHostsFile::Entry& entry) {
    const std::size_t gap = line.find_first_of(" \t");
    if (gap == std::string_view::npos)
        return "an alias and a URL are needed";
    const std::string_view alias = line.substr(0, gap);
    const std::string_view url = ConfigFile::Trimmed(line.substr(gap));
    if (alias.size() > AuthHostsFile::kMaxAliasLength ||
        !std::all_of(alias.begin(), alias.end(), IsAliasCharacter))
        return "the alias is not 1 to 16 letters, digits, '_' or '-'";
    entry.alias = TKStrUtils::stringToLower(std::string(alias));
    if (entry.alias == "none")
        return "\"none\" removes the auth host and cannot be an alias";
    if (std::find(known.begin(), known.end(), entry.alias) != known.end())
        return "the alias is already taken";
    if (url.find_first_of(" \t") != std::string_view::npos)
        return "more than an alias and a URL";
    if (url.size() > AuthHostsFile::kMaxUrlLength || !IsUrl(url))
        return "the URL does not begin with http:// or https:// or holds a blank";
    entry.url = std::string(url);
    return nullptr;
}

}  // namespace

std::vector<AuthHostsFile::Entry> AuthHostsFile::Parse(std::string_view text,
                                                       std::vector<std::string> known,
                                                       std::vector<std::string>& errors) {
    std::vector<Entry> entries;
    ConfigFile::ForEachLine(text, [&](int number, std::string_view line) {
        Entry entry;
        if (const char* fault = ReadEntry(line, known, entry)) {
            errors.push_back("line " + std::to_string(number) + ": " + fault);
        } else if (entries.size() == kMaxEntries) {
            errors.push_back("line " + std::to_string(number) + ": more than " +
                             std::to_string(kMaxEntries) + " hosts");
        } else {
            known.push_back(entry.alias);
            entries.push_back(std::move(entry));
        }
    });
    return entries;
}

std::vector<AuthHostsFile::Entry> AuthHostsFile::Read(const std::vector<std::string>& known) {
    std::string text;
    const ConfigFile::Status status = ConfigFile::Read(kFileName, kMaxFileSize, text);
    if (status == ConfigFile::Status::Absent)
        return {};
    if (status == ConfigFile::Status::TooLarge) {
        tkLog(true, "[Travik] %s larger than %zu bytes: not used\n", kFileName, kMaxFileSize);
        return {};
    }
    std::vector<std::string> errors;
    std::vector<Entry> entries = Parse(text, known, errors);
    // The messages hold no text from the file, only line numbers.
    for (const std::string& error : errors)
        tkLog(true, "[Travik] %s %s\n", kFileName, error.c_str());
    return entries;
}
