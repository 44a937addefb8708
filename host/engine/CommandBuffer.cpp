#include "engine/CommandBuffer.h"

#include <tier0/dbg.h>

namespace sim {

bool CommandBuffer::Fits(std::string_view text) const {
    if (m_text.size() + text.size() < kMaxSize)
        return true;
    Warning("Cbuf_AddText: buffer overflow\n");
    return false;
}

bool CommandBuffer::AddText(std::string_view text) {
    if (!Fits(text))
        return false;
    m_text.append(text);
    return true;
}

bool CommandBuffer::InsertText(std::string_view text) {
    // The inserted text ends its own last command.
    std::string inserted(text);
    if (inserted.empty() || inserted.back() != '\n')
        inserted.push_back('\n');
    if (!Fits(inserted))
        return false;
    m_text.insert(0, inserted);
    return true;
}

std::optional<std::string> CommandBuffer::NextCommand() {
    if (m_waitFrames > 0 || m_text.empty())
        return std::nullopt;
    std::string command;
    bool quoted = false;
    size_t i = 0;
    for (; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (c == '\n' || c == '\r')
            break;
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == ';')
            break;
        if (!quoted && c == '/' && i + 1 < m_text.size() && m_text[i + 1] == '/') {
            // A comment: the command ends here and the rest of the line goes.
            i = m_text.find('\n', i);
            if (i == std::string::npos)
                i = m_text.size();
            break;
        }
        command.push_back(c);
    }
    m_text.erase(0, i < m_text.size() ? i + 1 : m_text.size());
    // Blanks around a command are not part of it.
    const size_t first = command.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    command.erase(0, first);
    command.erase(command.find_last_not_of(" \t") + 1);
    return command;
}

void CommandBuffer::OnFrame() {
    if (m_waitFrames > 0)
        --m_waitFrames;
}

void CommandBuffer::Clear() {
    m_text.clear();
    m_waitFrames = 0;
}

}  // namespace sim
