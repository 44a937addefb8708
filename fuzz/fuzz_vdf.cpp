// The server reads addons/*.vdf before any plug-in runs: read anything
// without failing, and read what it kept, written back out, the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/VdfReader.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Every name and value quoted: none can hold a quote.
void Write(const sim::KeyValues& node, std::string& text) {
    text += "\"" + node.name + "\" ";
    if (node.children.empty() && !node.value.empty()) {
        text += "\"" + node.value + "\"\n";
        return;
    }
    if (node.children.empty()) {
        text += "\"\"\n";
        return;
    }
    text += "{\n";
    for (const sim::KeyValues& child : node.children) {
        Write(child, text);
    }
    text += "}\n";
}

bool Same(const sim::KeyValues& a, const sim::KeyValues& b) {
    if (a.name != b.name || a.value != b.value || a.children.size() != b.children.size()) {
        return false;
    }
    for (size_t i = 0; i < a.children.size(); ++i) {
        if (!Same(a.children[i], b.children[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = sim::VdfReader::Parse(text);
    if (!parsed) {
        return 0;
    }
    std::string written;
    Write(*parsed, written);
    const auto again = sim::VdfReader::Parse(written);
    Check(again.has_value());
    Check(Same(*parsed, *again));
    return 0;
}
