#pragma once

#include <string>

// Byte-string edits; no character-set conversion anywhere.
class TKStrUtils {
public:
    // Replaces every occurrence of find. After each replacement the search goes
    // on from where the replacement was put, so occurrences formed by the edit
    // itself go too ("aabb" without "ab" is ""). A replacement that contains
    // find would be found again forever; then the search goes on after it. An
    // empty find changes nothing.
    static std::string replaceStr(std::string text, const std::string& find,
                                  const std::string& replacement);

    // tolower on each byte: only ASCII letters change under the "C" locale.
    static std::string stringToLower(std::string text);

    // Drops every double quotation mark and every carriage return.
    static std::string stripString(std::string text);
};
