// Stands in for the game client's library: a DLL named client.dll that
// does nothing but be loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
