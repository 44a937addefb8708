// A map's entity text comes from a file and may have been rewritten by a
// plug-in's hook on GetMapEntitiesString: read anything within bounds, name
// a fault by a line that exists, and read what it kept the same way again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "EntityTextParser.h"
#include "MapSpawner.h"

using cstrike::EntityText;
using cstrike::EntityTextParser;

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

int Lines(std::string_view text) {
    int lines = 1;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

// The blocks as quoted text: no key or value can hold a quote, so this
// reads back to the same blocks.
std::string Write(const EntityText& parsed) {
    std::string text;
    for (const cstrike::EntityBlock& block : parsed.blocks) {
        text += "{\n";
        for (const auto& [key, value] : block.pairs) {
            text += "\"" + key + "\" \"" + value + "\"\n";
        }
        text += "}\n";
    }
    return text;
}

void CheckBounds(const EntityText& parsed) {
    Check(parsed.blocks.size() <= EntityTextParser::kMaxBlocks);
    for (const cstrike::EntityBlock& block : parsed.blocks) {
        Check(block.pairs.size() <= EntityTextParser::kMaxPairs);
        for (const auto& [key, value] : block.pairs) {
            Check(key.size() <= EntityTextParser::kMaxKeyLength);
            Check(value.size() <= EntityTextParser::kMaxValueLength);
            Check(key.find('"') == std::string::npos && value.find('"') == std::string::npos);
            Check(cstrike::ParseVector(value).IsValid());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const EntityText parsed = EntityTextParser::Parse(text);
    CheckBounds(parsed);
    if (parsed.ok()) {
        Check(parsed.errorLine == 0);
    } else {
        Check(parsed.errorLine >= 1 && parsed.errorLine <= Lines(text));
    }
    const EntityText again = EntityTextParser::Parse(Write(parsed));
    Check(again.ok());
    Check(again.blocks.size() == parsed.blocks.size());
    for (size_t i = 0; i < again.blocks.size(); ++i) {
        Check(again.blocks[i].pairs == parsed.blocks[i].pairs);
    }
    return 0;
}
