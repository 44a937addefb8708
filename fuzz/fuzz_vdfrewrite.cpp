// The updater's rewrite of a description file's line to name the new
// module. Input: one byte giving the suffix's length (up to 31), the suffix,
// then the line. Only suffixes the updater accepts are tried. A line it
// cannot rewrite stays as it was; a rewritten one keeps everything up to a
// "travik" that begins a file name and from the next quotation mark on, so it
// stays one line with the same quotation marks, and a second rewrite with the
// same suffix changes nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/UpdateProtocol.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t suffixLength = std::min<size_t>(data[0] & 31, size - 1);
    const std::string suffix(reinterpret_cast<const char*>(data + 1), suffixLength);
    if (!UpdateProtocol::IsValidVersionSuffix(suffix))
        return 0;
    const std::string original(reinterpret_cast<const char*>(data + 1 + suffixLength),
                               size - 1 - suffixLength);
    std::string line = original;
    if (!UpdateProtocol::RewriteVdfLine(line, suffix)) {
        Check(line == original);
        return 0;
    }
    // The line is the original with the text after a "travik" that begins a
    // file name, up to the next quotation mark, replaced by the suffix.
    bool explained = false;
    for (size_t name = original.find("travik"); name != std::string::npos && !explained;
         name = original.find("travik", name + 1)) {
        if (name > 0 && original[name - 1] != '/' && original[name - 1] != '\\' &&
            original[name - 1] != '"')
            continue;
        const size_t after = name + 6;
        const size_t quote = original.find('"', after);
        explained = quote != std::string::npos &&
                    line == original.substr(0, after) + suffix + original.substr(quote);
    }
    Check(explained);
    Check(std::count(line.begin(), line.end(), '"') ==
          std::count(original.begin(), original.end(), '"'));
    Check(std::count(line.begin(), line.end(), '\n') <=
          std::count(original.begin(), original.end(), '\n'));
    // Rewriting again with the same suffix changes nothing more.
    std::string again = line;
    Check(UpdateProtocol::RewriteVdfLine(again, suffix) && again == line);
    return 0;
}
