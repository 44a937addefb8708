#include "match/OnThreeSystem.h"

#include <tier1/convar.h>

ConVar tk_startmoney("tk_startmoney", "800", 0,
                     "After running 'tk_lo3' the start money will be reset to this value", true,
                     0.0f, true, 16000.0f);
