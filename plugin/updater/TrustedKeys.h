#pragma once

#include <string>
#include <vector>

// The public keys whose release signatures the updater accepts: the one
// built into the plug-in and those an operator lists in
// cfg/travik_trustedkeys.txt (one Base64 key a line; blank lines and "//"
// lines skipped). The file is read at each check, so an edit needs no
// restart; a line that is not a key is reported and skipped.
namespace TrustedKeys {

constexpr const char* kFileName = "cfg/travik_trustedkeys.txt";

std::vector<std::string> Load();

// True when signature verifies the file at path with one of the keys.
bool Verify(const std::string& signature, const std::string& path);

}  // namespace TrustedKeys
