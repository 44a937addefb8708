#include "core/HostCommands.h"

#include <icvar.h>
#include <tier1/convar.h>

#include <strings.h>

#include <cstring>

#include "core/HostInterfaces.h"

namespace HostCommands {

bool IsNamed(const char* name, const char* wanted) {
    return name && wanted && std::strcmp(name, wanted) == 0;
}

bool IsNamedInAnyCase(const char* name, const char* wanted) {
    return name && wanted && strcasecmp(name, wanted) == 0;
}

bool StartsWith(const char* name, const char* prefix) {
    return name && prefix && std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

ConCommand* Find(const char* name, const ConCommandBase* skip) {
    if (!g_host.cvar) {
        return nullptr;
    }
    for (ConCommandBase* entry = g_host.cvar->GetCommands(); entry; entry = entry->GetNext()) {
        if (entry != skip && entry->IsCommand() && IsNamed(entry->GetName(), name)) {
            return static_cast<ConCommand*>(entry);
        }
    }
    return nullptr;
}

bool IsRegistered(const ConCommandBase* entry) {
    if (!g_host.cvar || !entry) {
        return false;
    }
    for (const ConCommandBase* known = g_host.cvar->GetCommands(); known;
         known = known->GetNext()) {
        if (known == entry) {
            return true;
        }
    }
    return false;
}

}  // namespace HostCommands
