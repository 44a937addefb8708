#include "core/BuildPlatform.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool BuildPlatform::ClientModuleLoaded() {
#ifdef _WIN32
    return ::GetModuleHandleA(kClientModuleName) != nullptr;
#else
    return false;
#endif
}
