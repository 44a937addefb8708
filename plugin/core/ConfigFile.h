#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An operator's text file of the game folder (cfg/...), read whole through
// the host's file system and bounded, and walked line by line: blanks around
// a line do not count, blank lines and lines starting with "//" are
// skipped.
class ConfigFile {
public:
    enum class Status { Absent, TooLarge, Read };

    // The file's text goes to `text` when it is read; a file larger than
    // `maxSize` bytes is not read at all.
    static Status Read(const char* name, std::size_t maxSize, std::string& text);

    // Calls visit(number, line) for every line that is not skipped, with its
    // number from 1 and without its surrounding blanks.
    template <class Visit>
    static void ForEachLine(std::string_view text, Visit&& visit) {
        std::string_view rest = text;
        for (int number = 1; !rest.empty(); ++number) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = Trimmed(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            if (!line.empty() && !line.starts_with("//")) {
                visit(number, line);
            }
        }
    }

    static std::string_view Trimmed(std::string_view line);
    // Letters, digits and '_' only, 1 to `maxLength` of them: a name that
    // can stand for a console variable.
    static bool IsVariableName(std::string_view name, std::size_t maxLength);
};
