#pragma once

#include <string>
#include <string_view>

// The update server's answers and the names the updater makes of them: pure
// text work, apart from the host and the network.
namespace UpdateProtocol {

// How the body of an update query reads, judged in this order.
enum class AnswerKind {
    PageGone,   // holds "<html>": the update page is gone
    UpToDate,   // exactly "N"
    Malformed,  // fewer than four comma-separated fields
    NoUpdate,   // four or more fields, the first not "1"
    Update,     // "1", download id, version, digest[, signature, ...]
};

struct Answer {
    AnswerKind kind = AnswerKind::Malformed;
    std::string downloadId;
    std::string version;
    std::string digest;
    std::string signature;  // the fifth field, "" when there is none
};

Answer ParseAnswer(const std::string& body);

// The version text without its dots, in lower case: 4.7Beta gives 47beta.
std::string ParseVersionNumber(const std::string& version);

// A suffix that can go into a file name and a description file: one or more
// of a-z, 0-9, '_' and '-'.
bool IsValidVersionSuffix(const std::string& suffix);

// A module file name the updater may delete: "travik", a suffix of 1 to 10
// characters and the build's extension (".so", ".dll"); no "..", "/" or "\".
bool IsValidTravikFile(const std::string& name);

// Percent-encodes everything but the unreserved characters of a URL
// (letters, digits, "-", ".", "_", "~").
std::string EscapeUrlComponent(std::string_view text);

// Points a description file's line at the module travik<suffix>: the text
// between the last "travik" that begins a file name (after a slash, a
// backslash or a double quotation mark; when anything follows it) and the
// next double quotation mark becomes the suffix. False, and the line unchanged, when it
// has no such place.
bool RewriteVdfLine(std::string& line, const std::string& suffix);

}  // namespace UpdateProtocol
