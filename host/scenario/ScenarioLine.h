// One line of a scenario split into words. A word is bare, quoted ("...",
// with C escapes: \n \r \t \\ \" \xHH) or both (key="a value"). A line
// whose first non-blank character is '#' is a comment.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct ScenarioWord {
    std::string text;
    bool quoted = false;
};

class ScenarioLine {
public:
    // The words of a line, or an error message for a malformed one.
    static std::optional<std::vector<ScenarioWord>> Split(std::string_view line,
                                                          std::string& error);
    // Text shown in messages: control bytes and quotes as escapes.
    static std::string Display(std::string_view text);
    // Splits "key=value"; false without '='.
    static bool KeyValue(const std::string& word, std::string& key, std::string& value);
};

// Reads the words of one line in order.
class ScenarioArgs {
public:
    explicit ScenarioArgs(std::vector<ScenarioWord> words) : m_words(std::move(words)) {}

    bool AtEnd() const { return m_next >= m_words.size(); }
    // The next word's text ("" at the end) without taking it.
    const std::string& Peek() const;
    // Takes the next word ("" at the end).
    const std::string& Next();
    // Takes the next word when it is one of the given keywords.
    bool Accept(std::string_view keyword);
    // The words left, joined by blanks (quoted ones re-quoted).
    std::string Rest();
    size_t Remaining() const { return AtEnd() ? 0 : m_words.size() - m_next; }

private:
    std::vector<ScenarioWord> m_words;
    size_t m_next = 0;
};

}  // namespace sim
