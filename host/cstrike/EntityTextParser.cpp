#include "EntityTextParser.h"

namespace cstrike {

std::string EntityBlock::Value(std::string_view key, std::string_view defaultValue) const {
    for (const auto& [k, v] : pairs) {
        if (k == key) {
            return v;
        }
    }
    return std::string(defaultValue);
}

bool EntityBlock::Has(std::string_view key) const {
    for (const auto& pair : pairs) {
        if (pair.first == key) {
            return true;
        }
    }
    return false;
}

EntityText EntityTextParser::Parse(std::string_view text) {
    EntityTextParser parser(text);
    EntityText result;
    for (;;) {
        const Token token = parser.Next();
        if (token.kind == TokenKind::End || token.kind == TokenKind::Error) {
            break;
        }
        if (token.kind != TokenKind::OpenBrace) {
            parser.Fail("expected '{' to open an entity");
            break;
        }
        if (result.blocks.size() >= kMaxBlocks) {
            parser.Fail("too many entities");
            break;
        }
        EntityBlock block;
        if (!parser.ParseBlock(block)) {
            break;
        }
        result.blocks.push_back(std::move(block));
    }
    result.error = parser.m_Error;
    result.errorLine = parser.m_ErrorLine;
    return result;
}

bool EntityTextParser::ParseBlock(EntityBlock& block) {
    for (;;) {
        const Token key = Next();
        if (key.kind == TokenKind::CloseBrace) {
            return true;
        }
        if (key.kind == TokenKind::Error) {
            return false;
        }
        if (key.kind != TokenKind::Word) {
            return Fail(key.kind == TokenKind::End ? "the text ends inside an entity"
                                                   : "expected a key or '}'");
        }
        const Token value = Next();
        if (value.kind == TokenKind::Error) {
            return false;
        }
        if (value.kind != TokenKind::Word) {
            return Fail("a key without a value");
        }
        if (key.text.size() > kMaxKeyLength || value.text.size() > kMaxValueLength) {
            return Fail("a key or value is too long");
        }
        if (block.pairs.size() >= kMaxPairs) {
            return Fail("too many keys in one entity");
        }
        block.pairs.emplace_back(std::string(key.text), std::string(value.text));
    }
}

bool EntityTextParser::Fail(const char* message) {
    if (m_Error.empty()) {
        m_Error = message;
        m_ErrorLine = m_Line;
    }
    return false;
}

void EntityTextParser::SkipSpaceAndComments() {
    while (m_Pos < m_Text.size()) {
        const unsigned char c = static_cast<unsigned char>(m_Text[m_Pos]);
        if (c == '\n') {
            ++m_Line;
            ++m_Pos;
        } else if (c <= ' ') {
            ++m_Pos;
        } else if (m_Text.substr(m_Pos, 2) == "//") {
            while (m_Pos < m_Text.size() && m_Text[m_Pos] != '\n') {
                ++m_Pos;
            }
        } else {
            return;
        }
    }
}

EntityTextParser::Token EntityTextParser::Next() {
    SkipSpaceAndComments();
    if (m_Pos >= m_Text.size()) {
        return {TokenKind::End, {}};
    }
    switch (m_Text[m_Pos]) {
        case '{':
            ++m_Pos;
            return {TokenKind::OpenBrace, {}};
        case '}':
            ++m_Pos;
            return {TokenKind::CloseBrace, {}};
        case '"':
            return QuotedWord();
        default:
            return PlainWord();
    }
}

EntityTextParser::Token EntityTextParser::QuotedWord() {
    const size_t start = ++m_Pos;
    const size_t end = m_Text.find('"', start);
    if (end == std::string_view::npos) {
        Fail("a quoted text is not closed");
        return {TokenKind::Error, {}};
    }
    const std::string_view word = m_Text.substr(start, end - start);
    for (char c : word) {
        m_Line += c == '\n';
    }
    m_Pos = end + 1;
    return {TokenKind::Word, word};
}

EntityTextParser::Token EntityTextParser::PlainWord() {
    const size_t start = m_Pos;
    while (m_Pos < m_Text.size()) {
        const char c = m_Text[m_Pos];
        if (static_cast<unsigned char>(c) <= ' ' || c == '{' || c == '}' || c == '"') {
            break;
        }
        ++m_Pos;
    }
    return {TokenKind::Word, m_Text.substr(start, m_Pos - start)};
}

}  // namespace cstrike
