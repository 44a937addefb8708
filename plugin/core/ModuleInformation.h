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
// when the loader does not know it.
std::string FindModulePath();

// Splits a path at its last '/' (or, without one, its last '\'): the
// directory keeps the separator. Without any separator the whole path is
// the directory and the file name is empty.
void SplitModulePath(const std::string& path, std::string& directory, std::string& fileName);

// MD5 of a file read through the host's file system; "" when it cannot be read.
std::string DigestOfFile(const std::string& path);
