#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// cfg/travik_authhosts.txt: the auth hosts an operator (or a league) adds to
// the built-in list, so that tk_authhost can pick them by a short alias. One
// host a line, "alias url"; blank lines and lines starting with "//" are
// skipped. An alias is 1 to 16 letters, digits, '_' or '-', taken in lower
// case; the URL begins "http://" or "https://". A bad line is reported with
// its number (never its text) and left out; the good ones are used.
class AuthHostsFile {
public:
    static constexpr const char* kFileName = "cfg/travik_authhosts.txt";
    static constexpr std::size_t kMaxFileSize = 64 * 1024;
    static constexpr std::size_t kMaxEntries = 64;
    static constexpr std::size_t kMaxAliasLength = 16;
    static constexpr std::size_t kMaxUrlLength = 512;

    struct Entry {
        std::string alias;  // lower case
        std::string url;    // as written
    };

    // `known` holds the aliases already taken (the built-in list); an alias
    // given twice is a bad line.
    static std::vector<Entry> Parse(std::string_view text, std::vector<std::string> known,
                                    std::vector<std::string>& errors);
    // Reads the file through the host's file system and logs each fault.
    static std::vector<Entry> Read(const std::vector<std::string>& known);
};
