#include "enforcement/ScanListFile.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/ConfigFile.h"
#include "enforcement/TKCvar.h"
#include "messaging/tkLog.h"

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while ((at = line.find_first_not_of(" \t\r", at)) != std::string_view::npos) {
        const size_t end = line.find_first_of(" \t\r", at);
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool IsVariableName(std::string_view name) {
    return ConfigFile::IsVariableName(name, TKCvar::kNameSize - 1);
}

// A whole finite number, as clients answer them.
bool ReadNumber(std::string_view word, float& number) {
    const std::string text(word);
    char* end = nullptr;
    number = std::strtof(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(number);
}

bool ReadBound(std::string_view word, bool& has, float& bound) {
    has = word != "-";
    return !has || ReadNumber(word, bound);
}

// Why the words are no entry, or null with `entry` filled.
const char* ReadEntry(std::vector<std::string_view> words, ScanListFile::Entry& entry) {
    using Kind = ScanListFile::Kind;
    if (!words.empty() && words.back() == "optional") {
        entry.mustExist = false;
        words.pop_back();
    }
    const std::string_view kind = words.empty() ? std::string_view() : words[0];
    const size_t wanted = kind == "plain" || kind == "cheat" ? 3
                          : kind == "ranged"                 ? 5
                          : kind == "fps"                    ? 2
                                                             : 0;
    if (wanted == 0) {
        return "the kind is not plain, ranged, cheat or fps";
    }
    if (words.size() != wanted) {
        return "wrong number of words for its kind";
    }
    if (!IsVariableName(words[1])) {
        return "not a variable name";
    }
    entry.kind = kind == "plain"    ? Kind::Plain
                 : kind == "cheat"  ? Kind::Cheat
                 : kind == "ranged" ? Kind::Ranged
                                    : Kind::Fps;
    entry.name = words[1];
    float number = 0.0f;
    if (wanted >= 3 && !ReadNumber(words[2], number)) {
        return "the value is not a number";
    }
    entry.value = wanted >= 3 ? std::string(words[2]) : "0";
    if (entry.kind == Kind::Ranged) {
        if (!ReadBound(words[3], entry.hasMin, entry.min) ||
            !ReadBound(words[4], entry.hasMax, entry.max)) {
            return "a bound is neither a number nor \"-\"";
        }
        if (!entry.hasMin && !entry.hasMax) {
            return "a ranged entry needs a bound";
        }
        if (entry.hasMin && entry.hasMax && entry.min > entry.max) {
            return "the minimum is above the maximum";
        }
    }
    return nullptr;
}

}  // namespace

std::vector<ScanListFile::Entry> ScanListFile::Parse(std::string_view text,
                                                     std::vector<std::string>& errors) {
    std::vector<Entry> entries;
    const size_t errorsBefore = errors.size();
    ConfigFile::ForEachLine(text, [&](int number, std::string_view line) {
        Entry entry;
        if (const char* fault = ReadEntry(Words(line), entry)) {
            errors.push_back("line " + std::to_string(number) + ": " + fault);
        } else if (entries.size() == kMaxEntries) {
            errors.push_back("line " + std::to_string(number) + ": more than " +
                             std::to_string(kMaxEntries) + " entries");
        } else {
            entries.push_back(std::move(entry));
        }
    });
    if (entries.empty() && errors.size() == errorsBefore) {
        errors.push_back("no entries");
    }
    if (errors.size() != errorsBefore) {
        entries.clear();
    }
    return entries;
}

std::vector<ScanListFile::Entry> ScanListFile::Read() {
    std::string text;
    const ConfigFile::Status status = ConfigFile::Read(kFileName, kMaxFileSize, text);
    if (status == ConfigFile::Status::Absent) {
        return {};
    }
    std::vector<std::string> errors;
    std::vector<Entry> entries;
    if (status == ConfigFile::Status::TooLarge) {
        errors.push_back("larger than " + std::to_string(kMaxFileSize) + " bytes");
    } else {
        entries = Parse(text, errors);
    }
    // The messages hold no text from the file, only line numbers.
    for (const std::string& error : errors) {
        tkLog(true, "[Travik] %s %s\n", kFileName, error.c_str());
    }
    if (entries.empty()) {
        tkLog(true, "[Travik] %s not used: scanning the built-in list\n", kFileName);
    }
    return entries;
}
