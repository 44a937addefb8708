// vstdlib's factory: its single cvar registry and random stream.
#include <vstdlib/vstdlib.h>

#include <cstring>

#include "CCvar.h"
#include "CUniformRandomStream.h"

namespace {

CCvar g_Cvar;
CUniformRandomStream g_RandomStream;

void* VStdLibFactory(const char* name, int* returnCode) {
    void* found = nullptr;
    if (name && std::strcmp(name, CVAR_INTERFACE_VERSION) == 0)
        found = static_cast<ICvar*>(&g_Cvar);
    else if (name && std::strcmp(name, VENGINE_SERVER_RANDOM_INTERFACE_VERSION) == 0)
        found = static_cast<IUniformRandomStream*>(&g_RandomStream);
    if (returnCode)
        *returnCode = found ? IFACE_OK : IFACE_FAILED;
    return found;
}

}  // namespace

CreateInterfaceFn VStdLib_GetICVarFactory() {
    return VStdLibFactory;
}
