#include "engine/WholeFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim {

bool WholeFile::Read(const std::string& path, std::string& contents) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    contents = text.str();
    return true;
}

bool WholeFile::Write(const std::string& path, const std::string& contents) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

}  // namespace sim
