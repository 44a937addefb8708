// The line protocol between srcds-sim and srcds-sim-processhost, the Linux
// program that runs a scenario's helper programs for a srcds-sim that cannot
// run them itself (the Windows build under Wine).
//
// A line is words separated by single spaces and ends with '\n'. A word
// keeps the bytes A-Z a-z 0-9 and "-_.~/:,+=@" as they are; every other byte
// is %XX (two upper- or lower-case hexadecimal digits), so spaces, quotes
// and non-ASCII bytes in paths and arguments survive. A lone "%" is the
// empty word. A word never holds a NUL byte (a program's arguments cannot).
//
// Requests and their answers ("ok WORDS..." or "error MESSAGE"):
//   hello VERSION                 ok srcds-sim-processhost VERSION
//   tools DIR                     ok    (where a bare PROGRAM is found; before any start)
//   timeouts START GRACE          ok    (seconds; before any start)
//   resolve PROGRAM               ok PATH
//   start NAME WORKDIR LOGPATH PROGRAM ARGS...
//                                 ok PORT
//   stop NAME                     ok
//   state NAME                    ok [STATE]  (no STATE: never started)
//   pid NAME                      ok PID      (0: not running)
//   stopall                       ok
// Paths are absolute. Everything a connection started is stopped when it
// closes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sim::processhost {

inline constexpr int kVersion = 1;
// The longest line either side accepts, '\n' included, and the most words.
inline constexpr size_t kMaxLine = 64 * 1024;
inline constexpr size_t kMaxWords = 256;

std::string EncodeWord(const std::string& word);
// The words joined, each encoded, with the '\n'.
std::string EncodeLine(const std::vector<std::string>& words);
// The words of a line (without its '\n'; a '\r' before it is allowed), or
// false with the reason in error.
bool DecodeLine(const std::string& line, std::vector<std::string>& words, std::string& error);

// Collects a byte stream into lines, bounded: a line that reaches kMaxLine
// is reported once as too long, as soon as it does, and skipped to its end.
class LineReader {
public:
    // Adds bytes; complete lines (and too-long markers) become available.
    void Add(const char* data, size_t size);
    // The next whole line, without '\n'; false when none is complete.
    // tooLong is set for a line that was cut off (its text is empty).
    bool Next(std::string& line, bool& tooLong);

private:
    std::string m_partial;
    bool m_skipping = false;
    std::vector<std::pair<std::string, bool>> m_ready;
    size_t m_readyAt = 0;
};

}  // namespace sim::processhost
