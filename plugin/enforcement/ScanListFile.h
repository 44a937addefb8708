#pragma once

#include <string>
#include <string_view>
#include <vector>

// The operator's own scanning list, cfg/travik_scanlist.txt, replacing the
// built-in one. One entry a line, in scanning order:
//   plain  NAME VALUE [optional]
//   ranged NAME VALUE MIN MAX [optional]   (MIN or MAX "-" for no bound)
//   cheat  NAME VALUE [optional]
//   fps    NAME [optional]                  (kicks below 66 frames a second)
// Blank lines and lines starting with "//" are skipped. A file with any bad
// line is not used at all: a half-read list would drop checks unseen.
class ScanListFile {
public:
    static constexpr const char* kFileName = "cfg/travik_scanlist.txt";
    static constexpr int kMaxFileSize = 16384;
    static constexpr std::size_t kMaxEntries = 256;

    enum class Kind { Plain, Ranged, Cheat, Fps };
    struct Entry {
        Kind kind = Kind::Plain;
        std::string name;
        std::string value;
        bool hasMin = false;
        float min = 0.0f;
        bool hasMax = false;
        float max = 0.0f;
        bool mustExist = true;
    };

    // The entries, or an empty list with one message per bad line in
    // `errors` (each "line N: why").
    static std::vector<Entry> Parse(std::string_view text, std::vector<std::string>& errors);
    // The file's entries; empty when it is absent or unusable, after a
    // console and log line for each fault.
    static std::vector<Entry> Read();
};
