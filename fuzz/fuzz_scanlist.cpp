// The operator's scanning list file, cfg/travik_scanlist.txt. A list is used
// whole or not at all, every entry is one the scanner can hold, and an
// honest client answering an entry's own value passes it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "VariableName.h"
#include "enforcement/ScanListFile.h"
#include "enforcement/TKCvar.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void CheckEntry(const ScanListFile::Entry& entry) {
    Check(IsVariableName(entry.name, TKCvar::kNameSize - 1));
    Check(!entry.value.empty());
    if (entry.kind != ScanListFile::Kind::Ranged) {
        Check(!entry.hasMin && !entry.hasMax);
        const TKCvar cvar(entry.name.c_str(), entry.value.c_str(), {}, entry.mustExist,
                          entry.kind == ScanListFile::Kind::Cheat, nullptr);
        Check(cvar.CheckValue(entry.value.c_str(), CvarAnswerValue(entry.value.c_str())) ==
              CVAR_ACCEPTABLE);
        return;
    }
    Check(entry.hasMin || entry.hasMax);
    Check(!entry.hasMin || std::isfinite(entry.min));
    Check(!entry.hasMax || std::isfinite(entry.max));
    Check(!(entry.hasMin && entry.hasMax) || entry.min <= entry.max);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> errors;
    const std::vector<ScanListFile::Entry> entries = ScanListFile::Parse(text, errors);
    Check(entries.empty() != errors.empty());
    Check(entries.size() <= ScanListFile::kMaxEntries);
    for (const ScanListFile::Entry& entry : entries) {
        CheckEntry(entry);
    }
    // Reports name lines and reasons, never the text of a line.
    for (const std::string& error : errors) {
        for (char c : error) {
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        }
    }
    return 0;
}
