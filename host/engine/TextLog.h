// Text printed to one place (the server console, a client's console), kept
// whole so that tests can search it and split into lines on demand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

class TextLog {
public:
    void Append(std::string_view text) { m_text.append(text); }
    void Clear() { m_text.clear(); }

    // Everything since the last Clear.
    const std::string& Text() const { return m_text; }
    // Complete lines without their line ends, and an unfinished last line.
    std::vector<std::string> Lines() const;
    // The last n lines (fewer when there are fewer).
    std::vector<std::string> LastLines(size_t n) const;

    bool Contains(std::string_view needle) const;
    // Whether some line equals the text exactly.
    bool HasLine(std::string_view line) const;

private:
    std::string m_text;
};

}  // namespace sim
