// The map entity editor's filter over any entity text a downloaded map may
// carry: it stays within its buffer, never grows the text, ends what it
// writes with a terminator, keeps every byte of the text in order (it only
// leaves blocks out), and a second pass over its own output removes nothing
// more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "fixes/EntityTextFilter.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool Removed(std::string_view model) {
    return model.find("props_junk/") != std::string_view::npos ||
           model == "models/props_c17/oildrum001.mdl" || model == "x";
}

// Whether `kept` is `text` with some ranges left out.
bool IsSubsequence(std::string_view kept, std::string_view text) {
    std::size_t at = 0;
    for (char c : kept) {
        const std::size_t found = text.find(c, at);
        if (found == std::string_view::npos) {
            return false;
        }
        at = found + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Exactly the room the filter may use, so that the sanitizer sees a
    // write past it.
    std::unique_ptr<char[]> out(new char[size + 1]);
    const std::size_t written = FilterEntityText(text, out.get(), Removed);
    Check(written <= size);
    Check(out[written] == '\0');
    const std::string_view kept(out.get(), written);
    Check(IsSubsequence(kept, text));
    // A text with nothing to remove comes back as it was.
    const std::size_t again =
        FilterEntityText(kept, out.get(), [](std::string_view) { return false; });
    Check(again == written && std::memcmp(out.get(), kept.data(), written) == 0);
    std::unique_ptr<char[]> twice(new char[written + 1]);
    Check(FilterEntityText(kept, twice.get(), Removed) == written);
    return 0;
}
