// cfg/travik_authhosts.txt, the operator's (or a league's) list of auth
// hosts. Input: the file's text. What is taken is at most the entry limit,
// each alias short, plain, lower case, never one taken before; each URL an
// http or https one within its bound; and a line is either taken or
// reported, never both.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "auth/AuthHostsFile.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

bool IsAliasCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> known = {"league", "esl-eu"};
    std::vector<std::string> errors;
    const std::vector<AuthHostsFile::Entry> entries = AuthHostsFile::Parse(text, known, errors);
    Check(entries.size() <= AuthHostsFile::kMaxEntries);
    std::set<std::string> aliases(known.begin(), known.end());
    for (const AuthHostsFile::Entry& entry : entries) {
        Check(!entry.alias.empty() && entry.alias.size() <= AuthHostsFile::kMaxAliasLength);
        for (char c : entry.alias)
            Check(IsAliasCharacter(c));
        Check(aliases.insert(entry.alias).second);
        Check(entry.url.size() <= AuthHostsFile::kMaxUrlLength);
        // The scheme, in any case, as URLs allow.
        std::string scheme = entry.url.substr(0, entry.url.find("://") + 3);
        for (char& c : scheme)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Check(scheme == "http://" || scheme == "https://");
        Check(entry.url.find_first_of("\r\n") == std::string::npos);
        // The URL is the file's own text.
        Check(text.find(entry.url) != std::string_view::npos);
    }
    size_t lines = 1;
    for (char c : text)
        lines += c == '\n';
    Check(entries.size() + errors.size() <= lines + 1);
    return 0;
}
