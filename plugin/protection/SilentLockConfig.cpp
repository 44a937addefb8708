#include "protection/SilentLockConfig.h"

#include <icvar.h>
#include <tier1/convar.h>

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/ConfigFile.h"
#include "core/HostInterfaces.h"
#include "messaging/tkLog.h"
#include "protection/CvarLocker.h"

namespace {

constexpr std::size_t kMaxNameLength = 63;

// Whole numbers as the text of a variable: what a lock at 0 can stand in for.
bool IsNumber(const char* text) {
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(number);
}

// Why the host's variable cannot sensibly be held at 0, or null. A password
// held at "0" would be a password anybody can guess, and a text variable
// has no 0 to hold.
const char* HostRefusal(const ConVar& var) {
    if (var.IsFlagSet(FCVAR_PROTECTED)) {
        return "is protected and is not held";
    }
    const char* text = var.GetDefault();
    if (!var.IsFlagSet(FCVAR_NEVER_AS_STRING) && !(text && IsNumber(text))) {
        return "holds text, not a number, and is not held";
    }
    float bound = 0.0f;
    if ((var.GetMin(bound) && bound > 0.0f) || (var.GetMax(bound) && bound < 0.0f)) {
        return "cannot be 0 and is not held";
    }
    return nullptr;
}

}  // namespace

const char* SilentLockConfig::Refusal(std::string_view name, const CvarLocker& locker) {
    if (name.starts_with("tk_")) {
        return "is one of Travik's own variables";
    }
    const std::string text(name);
    if (locker.getCvarLock(text.c_str())) {
        return "is locked already";
    }
    // A name the server lacks is reported when the lock looks for it.
    const ConVar* var = g_host.cvar ? g_host.cvar->FindVar(text.c_str()) : nullptr;
    return var ? HostRefusal(*var) : nullptr;
}

std::string SilentLockConfig::Parse(std::string_view text, const CvarLocker& locker,
                                    std::vector<std::string>& reports) {
    std::string chosen;
    ConfigFile::ForEachLine(text, [&](int number, std::string_view line) {
        const std::string where = "line " + std::to_string(number) + ": ";
        const std::string name(line);
        if (!ConfigFile::IsVariableName(line, kMaxNameLength)) {
            // The line itself may hold anything.
            reports.push_back(where + "not a variable name");
        } else if (const char* refusal = Refusal(line, locker)) {
            reports.push_back(where + "\"" + name + "\" " + refusal);
        } else if (!chosen.empty()) {
            reports.push_back(where + "only one variable is held, \"" + name + "\" ignored");
        } else {
            chosen = name;
        }
    });
    return chosen;
}

std::string SilentLockConfig::Read(const CvarLocker& locker) {
    std::string text;
    if (ConfigFile::Read(kFileName, kMaxFileSize, text) == ConfigFile::Status::TooLarge) {
        tkLog(true, "[Travik] %s is larger than %d bytes and was not read\n", kFileName,
              kMaxFileSize);
        return {};
    }
    std::vector<std::string> reports;
    std::string chosen = Parse(text, locker, reports);
    for (const std::string& report : reports) {
        tkLog(true, "[Travik] %s %s\n", kFileName, report.c_str());
    }
    return chosen;
}

void SilentLockConfig::ReportMissing(const char* name) {
    tkLog(true, "[Travik] %s: this server has no variable \"%s\"\n", kFileName, name);
}
