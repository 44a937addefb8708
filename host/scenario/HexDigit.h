// One hexadecimal digit's value, for the escapes of scenario lines and of
// the process host's words.
#pragma once

namespace sim {

// 0-15, or -1 for a character that is no hexadecimal digit.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace sim
