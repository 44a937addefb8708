#include "engine/TextLog.h"

namespace sim {

std::vector<std::string> TextLog::Lines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < m_text.size()) {
        const size_t end = m_text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(m_text.substr(start));
            break;
        }
        lines.push_back(m_text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> TextLog::LastLines(size_t n) const {
    std::vector<std::string> lines = Lines();
    if (lines.size() > n)
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(n));
    return lines;
}

bool TextLog::Contains(std::string_view needle) const {
    return m_text.find(needle) != std::string::npos;
}

bool TextLog::HasLine(std::string_view line) const {
    for (const std::string& candidate : Lines())
        if (candidate == line)
            return true;
    return false;
}

}  // namespace sim
