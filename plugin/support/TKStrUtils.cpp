#include "support/TKStrUtils.h"

#include <algorithm>
#include <cctype>

std::string TKStrUtils::replaceStr(std::string text, const std::string& find,
                                   const std::string& replacement) {
    if (find.empty()) {
        return text;
    }
    const bool refindsItself = replacement.find(find) != std::string::npos;
    const size_t step = refindsItself ? replacement.size() : 0;
    for (size_t pos = text.find(find); pos != std::string::npos; pos = text.find(find, pos)) {
        text.replace(pos, find.size(), replacement);
        pos += step;
    }
    return text;
}

std::string TKStrUtils::stringToLower(std::string text) {
    for (char& c : text) {
        // tolower is undefined for negative char values; bytes above 0x7F are.
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string TKStrUtils::stripString(std::string text) {
    std::erase(text, '"');
    std::erase(text, '\r');
    return text;
}
