#include "scenario/ScenarioLine.h"

#include <cstdio>

#include "scenario/HexDigit.h"

namespace sim {

namespace {

// Reads an escape after its backslash; false for an unknown one.
bool ReadEscape(std::string_view line, size_t& i, std::string& out) {
    if (i >= line.size())
        return false;
    const char c = line[i++];
    switch (c) {
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case '\\':
        case '"':
            out += c;
            return true;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && i < line.size() && HexDigit(line[i]) >= 0) {
                value = value * 16 + HexDigit(line[i++]);
                ++digits;
            }
            if (digits == 0)
                return false;
            out += static_cast<char>(value);
            return true;
        }
        default:
            return false;
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<std::vector<ScenarioWord>> ScenarioLine::Split(std::string_view line,
                                                             std::string& error) {
    std::vector<ScenarioWord> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || (words.empty() && line[i] == '#'))
            break;
        ScenarioWord word;
        while (i < line.size() && !IsBlank(line[i])) {
            if (line[i] != '"') {
                word.text += line[i++];
                continue;
            }
            word.quoted = true;
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\') {
                    ++i;
                    if (!ReadEscape(line, i, word.text)) {
                        error = "unknown escape in a quoted text";
                        return std::nullopt;
                    }
                } else {
                    word.text += line[i++];
                }
            }
            if (i >= line.size()) {
                error = "a quoted text is not closed";
                return std::nullopt;
            }
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string ScenarioLine::Display(std::string_view text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '"' || c == '\\') {
            shown += '\\';
            shown += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\x%02x", c);
            shown += escape;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

bool ScenarioLine::KeyValue(const std::string& word, std::string& key, std::string& value) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0)
        return false;
    key = word.substr(0, equals);
    value = word.substr(equals + 1);
    return true;
}

const std::string& ScenarioArgs::Peek() const {
    static const std::string kEnd;
    return AtEnd() ? kEnd : m_words[m_next].text;
}

const std::string& ScenarioArgs::Next() {
    const std::string& word = Peek();
    if (!AtEnd())
        ++m_next;
    return word;
}

bool ScenarioArgs::Accept(std::string_view keyword) {
    if (AtEnd() || m_words[m_next].quoted || m_words[m_next].text != keyword)
        return false;
    ++m_next;
    return true;
}

std::string ScenarioArgs::Rest() {
    std::string rest;
    for (; !AtEnd(); ++m_next) {
        const ScenarioWord& word = m_words[m_next];
        if (!rest.empty())
            rest += ' ';
        if (word.quoted)
            rest.append(1, '"').append(word.text).append(1, '"');
        else
            rest += word.text;
    }
    return rest;
}

}  // namespace sim
