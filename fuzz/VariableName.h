// What the plug-in's readers of operator files may hand on as a console
// variable's name.
#pragma once

#include <cstddef>
#include <string>

// One word of letters, digits and underscores, 1 to `maxLength` characters.
inline bool IsVariableName(const std::string& name, std::size_t maxLength) {
    if (name.empty() || name.size() > maxLength) {
        return false;
    }
    for (char c : name) {
        const bool word =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) {
            return false;
        }
    }
    return true;
}
