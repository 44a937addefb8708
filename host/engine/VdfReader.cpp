#include "engine/VdfReader.h"

#include <strings.h>

namespace sim {

namespace {

class Tokens {
public:
    explicit Tokens(std::string_view text) : m_text(text) {}

    // The next token; braces are tokens of their own. Empty at the end.
    std::optional<std::string> Next(bool& quoted) {
        SkipSpaceAndComments();
        quoted = false;
        if (m_pos >= m_text.size())
            return std::nullopt;
        const char c = m_text[m_pos];
        if (c == '{' || c == '}') {
            ++m_pos;
            return std::string(1, c);
        }
        if (c == '"') {
            quoted = true;
            const size_t end = m_text.find('"', m_pos + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            std::string token(m_text.substr(m_pos + 1, end - m_pos - 1));
            m_pos = end + 1;
            return token;
        }
        const size_t start = m_pos;
        while (m_pos < m_text.size() && !IsSpace(m_text[m_pos]) && m_text[m_pos] != '{' &&
               m_text[m_pos] != '}' && m_text[m_pos] != '"')
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }

private:
    static bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

    void SkipSpaceAndComments() {
        while (m_pos < m_text.size()) {
            if (IsSpace(m_text[m_pos])) {
                ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "//") {
                const size_t end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? m_text.size() : end;
            } else {
                return;
            }
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

bool IsBrace(const std::string& token, bool quoted, char brace) {
    return !quoted && token.size() == 1 && token[0] == brace;
}

// Reads the body of a section after its '{'; false when it never closes.
bool ReadSection(Tokens& tokens, KeyValues& section, int depth) {
    if (depth > 32)
        return false;
    bool quoted = false;
    while (auto key = tokens.Next(quoted)) {
        if (IsBrace(*key, quoted, '}'))
            return true;
        if (IsBrace(*key, quoted, '{'))
            return false;
        KeyValues child;
        child.name = *key;
        auto value = tokens.Next(quoted);
        if (!value)
            return false;
        if (IsBrace(*value, quoted, '{')) {
            if (!ReadSection(tokens, child, depth + 1))
                return false;
        } else if (IsBrace(*value, quoted, '}')) {
            return false;
        } else {
            child.value = *value;
        }
        section.children.push_back(std::move(child));
    }
    return false;
}

}  // namespace

const std::string* KeyValues::Get(std::string_view key) const {
    for (const KeyValues& child : children)
        if (child.children.empty() && child.name.size() == key.size() &&
            strncasecmp(child.name.c_str(), key.data(), key.size()) == 0)
            return &child.value;
    return nullptr;
}

std::optional<KeyValues> VdfReader::Parse(std::string_view text) {
    Tokens tokens(text);
    bool quoted = false;
    auto name = tokens.Next(quoted);
    if (!name || IsBrace(*name, quoted, '{') || IsBrace(*name, quoted, '}'))
        return std::nullopt;
    KeyValues root;
    root.name = *name;
    auto next = tokens.Next(quoted);
    if (!next)
        return std::nullopt;
    if (IsBrace(*next, quoted, '{')) {
        if (!ReadSection(tokens, root, 0))
            return std::nullopt;
    } else if (IsBrace(*next, quoted, '}')) {
        return std::nullopt;
    } else {
        root.value = *next;
    }
    return root;
}

}  // namespace sim
