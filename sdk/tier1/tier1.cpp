// Connection of this module's console variables to the host's ICvar.
#include <tier1/tier1.h>

#include <icvar.h>
#include <tier1/convar.h>

ICvar* g_pCVar = nullptr;

// Set by ConnectTier1Libraries; read by the registration code.
CVarDLLIdentifier_t g_nTier1DLLIdentifier = INVALID_CVAR_DLL_IDENTIFIER;

void ConnectTier1Libraries(CreateInterfaceFn* factoryList, int factoryCount) {
    if (g_pCVar || !factoryList)
        return;
    for (int i = 0; i < factoryCount && !g_pCVar; ++i) {
        if (factoryList[i])
            g_pCVar = static_cast<ICvar*>(factoryList[i](CVAR_INTERFACE_VERSION, nullptr));
    }
    if (g_pCVar && g_nTier1DLLIdentifier == INVALID_CVAR_DLL_IDENTIFIER)
        g_nTier1DLLIdentifier = g_pCVar->AllocateDLLIdentifier();
}

// The identifier stays: registrations made under it can still be removed.
void DisconnectTier1Libraries() {
    g_pCVar = nullptr;
}
