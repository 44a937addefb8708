#pragma once

#include <filesystem.h>
#include <tier0/platform.h>

#include <cstddef>
#include <string>

// The plug-in log ("travik.log") and the ban log ("tk_bans.log"), in the
// folder "tk_logs" beside the module file. Each line is stamped with the
// local time, "[dd/mm/yy-HH:MM] ", and the file is opened, written and
// closed for every line. A file of 400 KiB or more is moved to a dated name
// before the next line goes into a fresh one.

// The folder of the module file (ending with its separator), below which the
// logs live; told once at load. Without one ("", as before a load and after
// the unload) every line goes to the console.
void SetLogFolder(const std::string& moduleFolder);

// Formats the message (at most 1022 characters survive; a cut line keeps its
// line end) and appends it to the plug-in log; with `echo` it goes to the
// server console as well. A line that cannot reach the file (it cannot be
// opened, or the write fails) reaches the console.
void tkLog(bool echo, const char* format, ...) FMTFUNCTION(2, 3);
// The same for the ban log; written only by the kick and ban queue.
void tkBanLog(bool echo, const char* format, ...) FMTFUNCTION(2, 3);

// The current log file opened for appending (rotated first when too large),
// or FILESYSTEM_INVALID_HANDLE.
FileHandle_t openLog();
FileHandle_t openBanLog();

// Outside text (a player's name, a client's value) made inert for a log
// line: a control byte is written as "\n", "\r", "\t" or "\xHH", a backslash
// doubled and, with `escapeQuotes`, a double quote as "\"", so that no name
// can end a line or close a quoted field. At most `maxBytes` bytes are kept,
// never half an escape. Own texts that carry outside parts keep their quotes.
constexpr std::size_t kMaxLoggedOutsideText = 128;
std::string LogSafe(const char* text, bool escapeQuotes = true,
                    std::size_t maxBytes = kMaxLoggedOutsideText);
