/* A module whose C library is the Universal CRT, as a plug-in built by a
   current Microsoft compiler has it: _time64 comes through
   api-ms-win-crt-time-l1-1-0.dll from ucrtbase.dll, not from msvcrt.dll.
   Plain C, without MinGW's runtime, so that nothing else is imported. */
#include <windows.h>

__declspec(dllimport) long long __cdecl _time64(long long* out);

__declspec(dllexport) long long __cdecl UcrtTime(void) {
    return _time64(0);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
