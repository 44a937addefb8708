// State shared by the translation units of tier1 within one module.
#pragma once

#include <tier1/convar.h>

// This module's registration identifier, from ConnectTier1Libraries.
extern CVarDLLIdentifier_t g_nTier1DLLIdentifier;
