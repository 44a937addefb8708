#include "messaging/tkLog.h"

#include "core/BuildPlatform.h"

#include <tier0/dbg.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"

namespace {

// A log file: its current name and the prefix of its rotated names.
struct LogFile {
    const char* currentName;
    const char* rotatedPrefix;
};

constexpr LogFile kPluginLog{"travik.log", "tk"};
constexpr LogFile kBanLog{"tk_bans.log", "tk_bans"};

// A current file larger than this is rotated before the next line.
constexpr unsigned int kMaxLogSize = 409599;
// Rotations within one minute get a counter after the dated name, up to this.
constexpr int kMaxRotationSuffix = 99;

constexpr const char* kModulePathID = "TRAVIK";
constexpr const char* kLogsPathID = "TK_LOGS";
constexpr const char* kLogsFolder = "tk_logs";

// Set by SetLogFolder.
std::string g_moduleFolder;

bool LocalTime(std::tm& out) {
    const std::time_t now = std::time(nullptr);
    return BuildPlatform::LocalTime(now, out);
}

// "tk261207_2231.log", or with a counter "tk261207_2231_2.log".
const char* RotatedName(FixedBuffer<64>& name, const LogFile& log, const std::tm& time,
                        int counter) {
    FixedBuffer<8> suffix;
    if (counter > 0) {
        suffix.Format("_%i", counter);
    }
    return name.Format("%s%02i%02i%02i_%02i%02i%s.log", log.rotatedPrefix, time.tm_year - 100,
                       time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, suffix.c_str());
}

// Moves the full log to a dated name that does not exist yet. False when no
// such name could be taken: the caller must then keep appending rather than
// start afresh, so that no logged line is lost.
bool RotateLog(const LogFile& log) {
    std::tm time{};
    if (!LocalTime(time)) {
        return false;
    }
    for (int counter = 0; counter <= kMaxRotationSuffix; ++counter) {
        FixedBuffer<64> name;
        RotatedName(name, log, time, counter);
        if (g_host.fileSystem->FileExists(name.c_str(), kLogsPathID)) {
            continue;
        }
        return g_host.fileSystem->RenameFile(log.currentName, name.c_str(), kLogsPathID);
    }
    return false;
}

void EnsureLogsFolder(const std::string& moduleFolder) {
    IFileSystem* fs = g_host.fileSystem;
    fs->AddSearchPath(moduleFolder.c_str(), kModulePathID, PATH_ADD_TO_TAIL);
    if (!fs->IsDirectory(kLogsFolder, kModulePathID)) {
        fs->CreateDirHierarchy(kLogsFolder, kModulePathID);
    }
    fs->RemoveSearchPath(moduleFolder.c_str(), kModulePathID);
}

FileHandle_t OpenCurrentLog(const LogFile& log) {
    IFileSystem* fs = g_host.fileSystem;
    if (!fs->FileExists(log.currentName, kLogsPathID)) {
        return fs->Open(log.currentName, "w", kLogsPathID);
    }
    if (fs->Size(log.currentName, kLogsPathID) > kMaxLogSize && RotateLog(log)) {
        return fs->Open(log.currentName, "w", kLogsPathID);
    }
    return fs->Open(log.currentName, "a", kLogsPathID);
}

FileHandle_t OpenLogFile(const LogFile& log) {
    if (!g_host.fileSystem) {
        return FILESYSTEM_INVALID_HANDLE;
    }
    const std::string& moduleFolder = g_moduleFolder;
    if (moduleFolder.empty()) {
        return FILESYSTEM_INVALID_HANDLE;
    }
    EnsureLogsFolder(moduleFolder);
    const std::string logsFolder = moduleFolder + kLogsFolder + BuildPlatform::kPathSeparator;
    g_host.fileSystem->AddSearchPath(logsFolder.c_str(), kLogsPathID, PATH_ADD_TO_TAIL);
    FileHandle_t file = OpenCurrentLog(log);
    g_host.fileSystem->RemoveSearchPath(logsFolder.c_str(), kLogsPathID);
    return file;
}

// Writes the stamped line; false when it did not reach the file. Writes are
// buffered: a full disk shows only when the buffer goes out, so the line is
// flushed and the handle asked before it counts as written.
bool WriteStampedLine(const LogFile& log, const char* text) {
    if (!g_host.fileSystem) {
        return false;
    }
    IFileSystem* fs = g_host.fileSystem;
    FileHandle_t file = OpenLogFile(log);
    if (file == FILESYSTEM_INVALID_HANDLE) {
        return false;
    }
    bool written = false;
    std::tm time{};
    if (LocalTime(time)) {
        FixedBuffer<40> stamp;
        stamp.Format("[%02i/%02i/%02i-%02i:%02i]", time.tm_mday, time.tm_mon + 1,
                     time.tm_year - 100, time.tm_hour, time.tm_min);
        const int wanted = static_cast<int>(std::strlen(stamp.c_str()) + 1 + std::strlen(text));
        written = fs->FPrintf(file, "%s %s", stamp.c_str(), text) == wanted;
        fs->Flush(file);
        written = written && fs->IsOk(file);
    }
    fs->Close(file);
    return written;
}

constexpr std::size_t kMaxLineLength = 1022;

// The message cut to the line buffer. A cut line keeps the line end its
// text had: without it the next line would be glued onto this one.
std::string FormatLine(const char* format, va_list args) FMTFUNCTION(1, 0);

std::string FormatLine(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
    if (text.size() > kMaxLineLength) {
        const bool endsLine = text.back() == '\n';
        text.resize(kMaxLineLength);
        if (endsLine) {
            text.back() = '\n';
        }
    }
    return text;
}

void WriteLogLine(const LogFile& log, bool echo, const char* format, va_list args)
    FMTFUNCTION(3, 0);

void WriteLogLine(const LogFile& log, bool echo, const char* format, va_list args) {
    const std::string text = FormatLine(format, args);
    if (echo) {
        Msg("%s", text.c_str());
    }
    if (!WriteStampedLine(log, text.c_str()) && !echo) {
        Msg("%s", text.c_str());
    }
}

// How a byte stands in a log line; empty when it stands as itself.
std::string Escape(unsigned char byte, bool escapeQuotes) {
    switch (byte) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        case '\\':
            return "\\\\";
        case '"':
            return escapeQuotes ? "\\\"" : "";
        default:
            break;
    }
    if (byte < 0x20 || byte == 0x7f) {
        FixedBuffer<8> hex;
        return hex.Format("\\x%02x", byte);
    }
    return "";
}

}  // namespace

void SetLogFolder(const std::string& moduleFolder) {
    g_moduleFolder = moduleFolder;
}

void tkLog(bool echo, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogLine(kPluginLog, echo, format, args);
    va_end(args);
}

void tkBanLog(bool echo, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogLine(kBanLog, echo, format, args);
    va_end(args);
}

FileHandle_t openLog() {
    return OpenLogFile(kPluginLog);
}

FileHandle_t openBanLog() {
    return OpenLogFile(kBanLog);
}

std::string LogSafe(const char* text, bool escapeQuotes, std::size_t maxBytes) {
    std::string safe;
    for (const char* at = text ? text : ""; *at; ++at) {
        const std::string escaped = Escape(static_cast<unsigned char>(*at), escapeQuotes);
        const std::size_t size = escaped.empty() ? 1 : escaped.size();
        if (safe.size() + size > maxBytes) {
            break;
        }
        if (escaped.empty()) {
            safe += *at;
        } else {
            safe += escaped;
        }
    }
    return safe;
}
