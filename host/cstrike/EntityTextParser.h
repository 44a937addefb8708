// The map's entity text: blocks of quoted key/value pairs,
//
//   {
//   "classname" "prop_physics_multiplayer"
//   "model" "models/props_c17/oildrum001.mdl"
//   "origin" "512 -128 0"
//   }
//
// Words may also stand unquoted; "//" starts a comment to the end of the
// line. The text comes from a file and may have been rewritten by a plug-in,
// so nothing in it is trusted: parsing stops at the first fault with a
// message and keeps the blocks read before it, and keys, values, pairs and
// blocks are bounded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cstrike {

struct EntityBlock {
    std::vector<std::pair<std::string, std::string>> pairs;

    // The first value of the key (case-sensitive), or the default.
    std::string Value(std::string_view key, std::string_view defaultValue = {}) const;
    bool Has(std::string_view key) const;
};

struct EntityText {
    std::vector<EntityBlock> blocks;
    std::string error;  // empty when the whole text was read
    int errorLine = 0;

    bool ok() const { return error.empty(); }
};

class EntityTextParser {
public:
    static constexpr size_t kMaxKeyLength = 255;
    static constexpr size_t kMaxValueLength = 2047;
    static constexpr size_t kMaxPairs = 256;
    static constexpr size_t kMaxBlocks = 16384;

    static EntityText Parse(std::string_view text);

private:
    enum class TokenKind { End, OpenBrace, CloseBrace, Word, Error };
    struct Token {
        TokenKind kind = TokenKind::End;
        std::string_view text;
    };

    explicit EntityTextParser(std::string_view text) : m_Text(text) {}

    Token Next();
    void SkipSpaceAndComments();
    Token QuotedWord();
    Token PlainWord();
    bool ParseBlock(EntityBlock& block);
    bool Fail(const char* message);

    std::string_view m_Text;
    size_t m_Pos = 0;
    int m_Line = 1;
    std::string m_Error;
    int m_ErrorLine = 0;
};

}  // namespace cstrike
