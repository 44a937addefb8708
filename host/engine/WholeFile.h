// Whole files read or written at once (configs, ban lists, scenario files).
#pragma once

#include <string>

namespace sim {

class WholeFile {
public:
    static bool Read(const std::string& path, std::string& contents);
    // Creates the missing parent folders; replaces what was there.
    static bool Write(const std::string& path, const std::string& contents);
};

}  // namespace sim
