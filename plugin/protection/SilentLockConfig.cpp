#include "protection/SilentLockConfig.h"

#include <filesystem.h>

#include <cctype>

#include "core/HostInterfaces.h"
#include "messaging/tkLog.h"
#include "protection/CvarLocker.h"

namespace {

constexpr std::string_view kBlank = " \t\r";

std::string_view Trimmed(std::string_view line) {
    const size_t first = line.find_first_not_of(kBlank);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(kBlank) - first + 1);
}

bool IsVariableName(std::string_view name) {
    if (name.empty() || name.size() > 63) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string SilentLockConfig::ReadFile(bool& tooLarge) {
    tooLarge = false;
    IFileSystem* fs = g_host.fileSystem;
    FileHandle_t file = fs ? fs->Open(kFileName, "rb", "MOD") : FILESYSTEM_INVALID_HANDLE;
    if (file == FILESYSTEM_INVALID_HANDLE) {
        return {};
    }
    std::string text(kMaxFileSize + 1, '\0');
    const int read = fs->Read(text.data(), kMaxFileSize + 1, file);
    fs->Close(file);
    text.resize(read > 0 ? static_cast<size_t>(read) : 0);
    tooLarge = text.size() > static_cast<size_t>(kMaxFileSize);
    return text;
}

const char* SilentLockConfig::Refusal(std::string_view name, const CvarLocker& locker) {
    if (name.starts_with("tk_")) {
        return "is one of Travik's own variables";
    }
    if (locker.getCvarLock(std::string(name).c_str())) {
        return "is locked already";
    }
    return nullptr;
}

std::string SilentLockConfig::Read(const CvarLocker& locker) {
    bool tooLarge = false;
    const std::string text = ReadFile(tooLarge);
    if (tooLarge) {
        tkLog(true, "[Travik] %s is larger than %d bytes and was not read\n", kFileName,
              kMaxFileSize);
        return {};
    }
    std::string chosen;
    std::string_view rest = text;
    for (int number = 1; !rest.empty(); ++number) {
        const size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.starts_with("//")) {
            continue;
        }
        if (!IsVariableName(line)) {
            // Not echoed: the line may hold anything.
            tkLog(true, "[Travik] %s line %d: not a variable name\n", kFileName, number);
        } else if (const char* refusal = Refusal(line, locker)) {
            tkLog(true, "[Travik] %s line %d: \"%.*s\" %s\n", kFileName, number,
                  static_cast<int>(line.size()), line.data(), refusal);
        } else if (!chosen.empty()) {
            tkLog(true, "[Travik] %s line %d: only one variable is held, \"%.*s\" ignored\n",
                  kFileName, number, static_cast<int>(line.size()), line.data());
        } else {
            chosen = line;
        }
    }
    return chosen;
}

void SilentLockConfig::ReportMissing(const char* name) {
    tkLog(true, "[Travik] %s: this server has no variable \"%s\"\n", kFileName, name);
}
