#include "support/StringTokenizer.h"

#include "support/TKStrUtils.h"

StringTokenizer::StringTokenizer(const std::string& text, const std::string& delimiter) {
    if (text.empty() || delimiter.empty()) {
        return;
    }
    m_Remaining = text;
    m_Delimiter = delimiter;
    collapseDelimiterRuns();
    trimDelimiterEnds();
}

void StringTokenizer::collapseDelimiterRuns() {
    const size_t len = m_Delimiter.size();
    size_t pos = m_Remaining.find(m_Delimiter);
    while (pos != std::string::npos) {
        pos += len;
        while (m_Remaining.compare(pos, len, m_Delimiter) == 0) {
            m_Remaining.erase(pos, len);
        }
        pos = m_Remaining.find(m_Delimiter, pos);
    }
}

void StringTokenizer::trimDelimiterEnds() {
    const size_t len = m_Delimiter.size();
    if (m_Remaining.starts_with(m_Delimiter)) {
        m_Remaining.erase(0, len);
    }
    if (m_Remaining.ends_with(m_Delimiter)) {
        m_Remaining.erase(m_Remaining.size() - len);
    }
}

int StringTokenizer::countTokens() const {
    if (m_Remaining.empty()) {
        return 0;
    }
    int count = 1;
    for (size_t pos = m_Remaining.find(m_Delimiter); pos != std::string::npos;
         pos = m_Remaining.find(m_Delimiter, pos + m_Delimiter.size())) {
        ++count;
    }
    return count;
}

bool StringTokenizer::hasMoreTokens() const {
    return !m_Remaining.empty();
}

std::string StringTokenizer::nextToken() {
    return nextToken(m_Delimiter);
}

std::string StringTokenizer::nextToken(const std::string& delimiter) {
    // An empty delimiter would be "found" at 0 forever and never consume text.
    const size_t pos = delimiter.empty() ? std::string::npos : m_Remaining.find(delimiter);
    std::string token;
    if (pos == std::string::npos) {
        token.swap(m_Remaining);
    } else {
        token = m_Remaining.substr(0, pos);
        m_Remaining.erase(0, pos + delimiter.size());
    }
    return token;
}

std::string StringTokenizer::filterNextToken(const std::string& filter) {
    return TKStrUtils::replaceStr(nextToken(), filter, "");
}

std::string StringTokenizer::remainingString() const {
    return m_Remaining;
}
