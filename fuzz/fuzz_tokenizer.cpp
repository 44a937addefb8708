// Auth-host and update-server answers and console arguments are split with
// StringTokenizer. Input layout: one byte giving the delimiter length (0-4),
// the delimiter, then the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/StringTokenizer.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// With the stored delimiter: countTokens announces exactly the tokens that
// follow, no token is empty or holds the delimiter, and every token is a
// piece of the text.
void CheckStoredDelimiter(const std::string& text, const std::string& delimiter) {
    StringTokenizer tokenizer(text, delimiter);
    const int announced = tokenizer.countTokens();
    if (text.empty() || delimiter.empty()) {
        Check(announced == 0 && !tokenizer.hasMoreTokens() && tokenizer.nextToken().empty());
        return;
    }
    int taken = 0;
    while (tokenizer.hasMoreTokens()) {
        Check(tokenizer.countTokens() == announced - taken);
        const size_t before = tokenizer.remainingString().size();
        const std::string token = tokenizer.nextToken();
        Check(!token.empty());
        Check(token.find(delimiter) == std::string::npos);
        Check(text.find(token) != std::string::npos);
        Check(tokenizer.remainingString().size() < before);
        ++taken;
    }
    Check(taken == announced);
    Check(tokenizer.nextToken().empty());
}

// Other delimiters per call, empty ones included, and the filter: the
// remaining text must shrink on every call, so a loop always ends.
void CheckOtherDelimiters(const std::string& text, const std::string& delimiter) {
    StringTokenizer tokenizer(text, delimiter);
    for (size_t round = 0; tokenizer.hasMoreTokens(); ++round) {
        const size_t before = tokenizer.remainingString().size();
        const std::string other = delimiter.substr(0, round % (delimiter.size() + 1));
        const std::string token =
            round % 3 == 2 ? tokenizer.filterNextToken(other) : tokenizer.nextToken(other);
        Check(token.size() <= before);
        Check(tokenizer.remainingString().size() < before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t delimiterLength = std::min<size_t>(data[0] % 5, size - 1);
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    const std::string delimiter(bytes, delimiterLength);
    const std::string text(bytes + delimiterLength, size - 1 - delimiterLength);
    CheckStoredDelimiter(text, delimiter);
    CheckOtherDelimiters(text, delimiter);
    return 0;
}
