// A reader for the KeyValues text of addons/*.vdf files:
//   "Plugin" { "file" "addons/travik" }
// Keys and values are quoted or bare words; { } open and close a section;
// "//" starts a comment. Key lookups ignore case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct KeyValues {
    std::string name;
    std::string value;                // for a key with a value
    std::vector<KeyValues> children;  // for a section

    // The value of a direct child key, or null.
    const std::string* Get(std::string_view key) const;
};

class VdfReader {
public:
    // The first top-level section or key, or nothing when the text is malformed.
    static std::optional<KeyValues> Parse(std::string_view text);
};

}  // namespace sim
