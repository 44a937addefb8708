// The process-wide part of the Windows wall clock (see WallClock.h): the
// executable and the modules it was linked against read the sim's clock
// from the start, as every module loaded later does.
#include <windows.h>

#include <initializer_list>

#include "engine/WallClock.h"

namespace {

struct AttachAtStart {
    AttachAtStart() {
        for (const char* name : {static_cast<const char*>(nullptr), "tier0.dll", "vstdlib.dll"})
            if (HMODULE module = GetModuleHandleA(name))
                sim::WallClock::AttachModule(module);
    }
};
const AttachAtStart s_attachAtStart;

}  // namespace
