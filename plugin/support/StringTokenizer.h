#pragma once

#include <cstddef>
#include <string>

// Splits text at a multi-character delimiter, matched as a whole string.
// There is no quoting: a delimiter between quotation marks splits like any
// other. Runs of the delimiter and one leading and one trailing delimiter are
// dropped when the tokenizer is made, so tokens taken with the stored
// delimiter are never empty.
class StringTokenizer {
public:
    // An empty text or delimiter gives a tokenizer that yields nothing.
    StringTokenizer(const std::string& text, const std::string& delimiter);

    int countTokens() const;
    bool hasMoreTokens() const;

    // The text up to the next delimiter; the empty string once nothing is left.
    std::string nextToken();
    // The same with another delimiter for this call only. An empty delimiter
    // matches nowhere, so the whole remaining text is the token.
    std::string nextToken(const std::string& delimiter);

    // nextToken(), then every occurrence of filter removed from the token
    // (an empty filter removes nothing).
    std::string filterNextToken(const std::string& filter);

    std::string remainingString() const;

private:
    static std::string WithoutDelimiterRuns(const std::string& text, const std::string& delimiter);
    void trimDelimiterEnds();

    // What has not been handed out yet is m_Remaining from m_Start on.
    std::string m_Remaining;
    size_t m_Start = 0;
    std::string m_Delimiter;
};
