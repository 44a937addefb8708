// The Windows module entry: refuses to attach inside a game client and
// records the module's own file name for the module information. The Linux
// build has no entry; it asks the dynamic loader for its path at load.
#ifdef _WIN32
#include <windows.h>

#include "core/BuildPlatform.h"
#include "core/travik_plugin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    if (BuildPlatform::ClientModuleLoaded()) {
        return FALSE;
    }
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(instance, path, MAX_PATH);
    // A name that filled the buffer was cut short: a cut path would put the
    // logs and the updater's files into a folder that does not exist, so the
    // module information falls back to the game's addons folder instead.
    g_travik.SetModuleFullPath(length > 0 && length < MAX_PATH ? path : "");
    return TRUE;
}
#endif
