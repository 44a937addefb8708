#include "core/HostInterfaces.h"

#include <tier1/convar.h>

HostInterfaces g_host;
ServerCvars g_serverCvars;

bool IsOn(const ConVar* var) {
    return var && var->GetBool();
}
