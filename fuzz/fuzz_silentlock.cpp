// The operator's silent lock file, cfg/travik_silentlock.txt. Whatever it
// holds, the chosen name is one variable name that is not Travik's own or
// locked already, and every report is one console line of the plug-in's own
// words and the line's number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "VariableName.h"
#include "protection/CvarLocker.h"
#include "protection/SilentLockConfig.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Every line a report names is a line of the text.
int LineCount(std::string_view text) {
    int lines = 1;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(SilentLockConfig::kMaxFileSize)) {
        return 0;
    }
    // The built-in locks, without a host to install them on.
    static const CvarLocker& locker = []() -> const CvarLocker& {
        static CvarLocker built;
        built.PopulateList();
        return built;
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> reports;
    const std::string chosen = SilentLockConfig::Parse(text, locker, reports);
    if (!chosen.empty()) {
        Check(IsVariableName(chosen, 63));
        Check(chosen.rfind("tk_", 0) != 0);
        Check(locker.getCvarLock(chosen.c_str()) == nullptr);
    }
    for (const std::string& report : reports) {
        Check(report.rfind("line ", 0) == 0);
        const int line = std::atoi(report.c_str() + 5);
        Check(line >= 1 && line <= LineCount(text));
        for (char c : report) {
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        }
    }
    return 0;
}
