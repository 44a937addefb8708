#pragma once

#include <tier0/dbg.h>
#include "core/travik_services.h"

// The match commands (team kicks, live and knives on three, ready-up) act only
// while the plug-in is active and war mode is on; otherwise each says why in
// one console line, the same two lines for all of them.
inline bool MatchCommandsAllowed() {
    if (!travik::IsActive()) {
        Msg("[Travik] Plugin must be active to run this command! (tk_active)\n");
        return false;
    }
    if (!travik::IsWarMode()) {
        Msg("[Travik] tk_warmode must be enabled to use this function\n");
        return false;
    }
    return true;
}
