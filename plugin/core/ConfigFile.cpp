#include "core/ConfigFile.h"

#include <filesystem.h>

#include <cctype>

#include "core/HostInterfaces.h"

namespace {

constexpr std::string_view kBlank = " \t\r";

}  // namespace

ConfigFile::Status ConfigFile::Read(const char* name, std::size_t maxSize, std::string& text) {
    text.clear();
    IFileSystem* fs = g_host.fileSystem;
    FileHandle_t file = fs ? fs->Open(name, "rb", "MOD") : FILESYSTEM_INVALID_HANDLE;
    if (file == FILESYSTEM_INVALID_HANDLE) {
        return Status::Absent;
    }
    // One byte more than allowed tells a file of exactly the limit from a
    // larger one.
    std::string read(maxSize + 1, '\0');
    const int size = fs->Read(read.data(), static_cast<int>(maxSize + 1), file);
    fs->Close(file);
    read.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    if (read.size() > maxSize) {
        return Status::TooLarge;
    }
    text = std::move(read);
    return Status::Read;
}

std::string_view ConfigFile::Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kBlank);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(kBlank) - first + 1);
}

bool ConfigFile::IsVariableName(std::string_view name, std::size_t maxLength) {
    if (name.empty() || name.size() > maxLength) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}
