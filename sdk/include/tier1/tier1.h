// Connecting a module's tier1 (console variables) to the host's ICvar.
#pragma once

#include <tier1/interface.h>

class ICvar;

// The host's cvar interface as found by ConnectTier1Libraries; null before.
extern ICvar* g_pCVar;

// Asks each factory in turn for "VEngineCvar004" until one answers, and takes
// a module identifier from it for ConVar_Register. Calling it again while
// connected changes nothing.
void ConnectTier1Libraries(CreateInterfaceFn* factoryList, int factoryCount);
// Forgets the cvar interface. Call ConVar_Unregister first; if a module does
// not, its variables and commands still leave the registry when it unregisters
// later or is unloaded.
void DisconnectTier1Libraries();
