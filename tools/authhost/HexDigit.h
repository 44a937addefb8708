#pragma once

namespace authhost {

// The value of one hexadecimal digit, either case; -1 for any other byte.
// Form bodies (%XX) and roster texts (\xXX) are both read with it.
inline int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace authhost
