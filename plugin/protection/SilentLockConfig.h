#pragma once

#include <string>
#include <string_view>
#include <vector>

class CvarLocker;

// The operator's choice of the host variable that the last lock holds at 0
// without a word: one variable name in cfg/travik_silentlock.txt, read at
// load. Blank lines and lines starting with "//" are skipped; the first good
// name counts, and every bad or extra line is reported with its number.
// Without a good name the built-in variable is held.
class SilentLockConfig {
public:
    static constexpr const char* kFileName = "cfg/travik_silentlock.txt";
    static constexpr int kMaxFileSize = 4096;

    // The configured name, or "" for the built-in one.
    static std::string Read(const CvarLocker& locker);
    // The first good name of the file's text, or ""; one report ("line N:
    // why") per bad or extra line. Reports hold no text of a bad line.
    static std::string Parse(std::string_view text, const CvarLocker& locker,
                             std::vector<std::string>& reports);
    // The configured variable does not exist on this server.
    static void ReportMissing(const char* name);

private:
    // Why this well-formed name cannot be held, or null when it can.
    static const char* Refusal(std::string_view name, const CvarLocker& locker);
};
