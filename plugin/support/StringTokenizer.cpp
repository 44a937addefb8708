#include "support/StringTokenizer.h"

#include "support/TKStrUtils.h"

StringTokenizer::StringTokenizer(const std::string& text, const std::string& delimiter) {
    if (text.empty() || delimiter.empty()) {
        return;
    }
    m_Delimiter = delimiter;
    m_Remaining = WithoutDelimiterRuns(text, delimiter);
    trimDelimiterEnds();
}

// One pass over the text: a delimiter is copied, the copies that follow it
// back to back are skipped. The answers split here come from outside, so a
// text of nothing but delimiters must not cost more than reading it.
std::string StringTokenizer::WithoutDelimiterRuns(const std::string& text,
                                                  const std::string& delimiter) {
    const size_t len = delimiter.size();
    std::string collapsed;
    collapsed.reserve(text.size());
    size_t from = 0;
    for (size_t pos = text.find(delimiter); pos != std::string::npos;
         pos = text.find(delimiter, from)) {
        collapsed.append(text, from, pos + len - from);
        from = pos + len;
        while (text.compare(from, len, delimiter) == 0) {
            from += len;
        }
    }
    collapsed.append(text, from, std::string::npos);
    return collapsed;
}

void StringTokenizer::trimDelimiterEnds() {
    if (m_Remaining.starts_with(m_Delimiter)) {
        m_Start = m_Delimiter.size();
    }
    if (m_Remaining.size() - m_Start >= m_Delimiter.size() && m_Remaining.ends_with(m_Delimiter)) {
        m_Remaining.resize(m_Remaining.size() - m_Delimiter.size());
    }
}

int StringTokenizer::countTokens() const {
    if (!hasMoreTokens()) {
        return 0;
    }
    int count = 1;
    for (size_t pos = m_Remaining.find(m_Delimiter, m_Start); pos != std::string::npos;
         pos = m_Remaining.find(m_Delimiter, pos + m_Delimiter.size())) {
        ++count;
    }
    return count;
}

bool StringTokenizer::hasMoreTokens() const {
    return m_Start < m_Remaining.size();
}

std::string StringTokenizer::nextToken() {
    return nextToken(m_Delimiter);
}

// Tokens are handed out by moving the start on: erasing each from the front
// would copy the rest of the text once per token.
std::string StringTokenizer::nextToken(const std::string& delimiter) {
    // An empty delimiter would be "found" at the start forever and never
    // consume text.
    const size_t pos = delimiter.empty() ? std::string::npos : m_Remaining.find(delimiter, m_Start);
    std::string token;
    if (pos == std::string::npos) {
        token.assign(m_Remaining, m_Start, std::string::npos);
        m_Remaining.clear();
        m_Start = 0;
    } else {
        token.assign(m_Remaining, m_Start, pos - m_Start);
        m_Start = pos + delimiter.size();
    }
    return token;
}

std::string StringTokenizer::filterNextToken(const std::string& filter) {
    return TKStrUtils::replaceStr(nextToken(), filter, "");
}

std::string StringTokenizer::remainingString() const {
    return m_Remaining.substr(m_Start);
}
