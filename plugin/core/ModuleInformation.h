#pragma once

#include <string>

// What the plug-in knows of its own module file.
struct moduleInfo_t {
    std::string fullPath;   // "/srv/cstrike/addons/travik.so"
    std::string directory;  // "/srv/cstrike/addons/" (with its separator)
    std::string fileName;   // "travik.so"
    std::string digest;     // MD5 of the file, lower-case hex; "" when unreadable
};

// The dynamic loader's path of the file that holds this module's code; ""
// when the loader does not know it. (The Windows build records its path in
// its module entry instead.)
std::string FindModulePath();

// Which separator a path is split at first: Linux paths are split at the
// last '/' and only without one at the last '\'; Windows paths the other
// way round.
enum class PathStyle { Linux, Windows };

// Splits a path at its last separator: the directory keeps the separator.
// Without any separator the whole path is the directory and the file name
// is empty.
void SplitModulePath(const std::string& path, std::string& directory, std::string& fileName,
                     PathStyle style);
// The same in this build's style.
void SplitModulePath(const std::string& path, std::string& directory, std::string& fileName);

// MD5 of a file read through the host's file system; "" when it cannot be read.
std::string DigestOfFile(const std::string& path);
