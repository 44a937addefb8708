// The Windows side of the injectable wall clock (see WallClock.h): import
// tables pointed at the sim's versions of the system's wall-clock functions.
#include <windows.h>

#include <sys/timeb.h>

#include <cmath>
#include <cstdint>
#include <ctime>

#include "engine/WallClock.h"

namespace sim {

namespace {

using Time32Fn = __time32_t(__cdecl*)(__time32_t*);
using Time64Fn = __time64_t(__cdecl*)(__time64_t*);
using Ftime32Fn = void(__cdecl*)(__timeb32*);
using Ftime64Fn = void(__cdecl*)(__timeb64*);
using FileTimeFn = void(WINAPI*)(FILETIME*);
using SystemTimeFn = void(WINAPI*)(SYSTEMTIME*);
using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);

// What each replaced function is, as the system has it.
struct Real {
    Time32Fn time = nullptr;  // msvcrt's time(), 32-bit in a 32-bit process
    Time32Fn time32 = nullptr;
    Time64Fn time64 = nullptr;
    Ftime32Fn ftime32 = nullptr;
    Ftime64Fn ftime64 = nullptr;
    FileTimeFn fileTime = nullptr;
    FileTimeFn preciseFileTime = nullptr;
    SystemTimeFn systemTime = nullptr;
    SystemTimeFn localTime = nullptr;
    GetProcAddressFn getProcAddress = nullptr;
};
Real s_real;

// The fake time as whole seconds and milliseconds.
void FakeParts(std::int64_t& seconds, unsigned short& milliseconds) {
    const double now = WallClock::FakeNow();
    const double whole = std::floor(now);
    seconds = static_cast<std::int64_t>(whole);
    milliseconds = static_cast<unsigned short>(std::min(999.0, (now - whole) * 1000.0));
}

FILETIME FakeFileTime() {
    // 100-ns ticks since 1601-01-01.
    const auto ticks = static_cast<ULONGLONG>((WallClock::FakeNow() + 11644473600.0) * 1e7);
    FILETIME out;
    out.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return out;
}

__time32_t __cdecl Time32(__time32_t* out) {
    if (!WallClock::IsFake())
        return s_real.time32(out);
    std::int64_t seconds = 0;
    unsigned short milliseconds = 0;
    FakeParts(seconds, milliseconds);
    const auto result = static_cast<__time32_t>(seconds);
    if (out)
        *out = result;
    return result;
}

__time64_t __cdecl Time64(__time64_t* out) {
    if (!WallClock::IsFake())
        return s_real.time64(out);
    std::int64_t seconds = 0;
    unsigned short milliseconds = 0;
    FakeParts(seconds, milliseconds);
    if (out)
        *out = seconds;
    return seconds;
}

void __cdecl Ftime32(__timeb32* out) {
    s_real.ftime32(out);  // the time zone fields stay the system's
    if (WallClock::IsFake()) {
        std::int64_t seconds = 0;
        FakeParts(seconds, out->millitm);
        out->time = static_cast<__time32_t>(seconds);
    }
}

void __cdecl Ftime64(__timeb64* out) {
    s_real.ftime64(out);
    if (WallClock::IsFake()) {
        std::int64_t seconds = 0;
        FakeParts(seconds, out->millitm);
        out->time = seconds;
    }
}

void WINAPI FileTime(FILETIME* out) {
    if (WallClock::IsFake())
        *out = FakeFileTime();
    else
        s_real.fileTime(out);
}

void WINAPI PreciseFileTime(FILETIME* out) {
    if (WallClock::IsFake())
        *out = FakeFileTime();
    else
        s_real.preciseFileTime(out);
}

void WINAPI SystemTime(SYSTEMTIME* out) {
    if (!WallClock::IsFake())
        return s_real.systemTime(out);
    const FILETIME now = FakeFileTime();
    FileTimeToSystemTime(&now, out);
}

void WINAPI LocalTime(SYSTEMTIME* out) {
    if (!WallClock::IsFake())
        return s_real.localTime(out);
    const FILETIME now = FakeFileTime();
    FILETIME local{};
    FileTimeToLocalFileTime(&now, &local);
    FileTimeToSystemTime(&local, out);
}

struct Replacement {
    const char* library;
    const char* name;
    void* fake;
    void** real;
};

FARPROC WINAPI LookUp(HMODULE module, LPCSTR name);

// Where the C library's and kernel32's functions may come from. A module
// takes them from whichever of these it was linked against.
const Replacement kReplacements[] = {
    {"msvcrt.dll", "time", reinterpret_cast<void*>(&Time32),
     reinterpret_cast<void**>(&s_real.time)},
    {"msvcrt.dll", "_time32", reinterpret_cast<void*>(&Time32),
     reinterpret_cast<void**>(&s_real.time32)},
    {"msvcrt.dll", "_time64", reinterpret_cast<void*>(&Time64),
     reinterpret_cast<void**>(&s_real.time64)},
    {"msvcrt.dll", "_ftime", reinterpret_cast<void*>(&Ftime32), nullptr},
    {"msvcrt.dll", "_ftime32", reinterpret_cast<void*>(&Ftime32),
     reinterpret_cast<void**>(&s_real.ftime32)},
    {"msvcrt.dll", "_ftime64", reinterpret_cast<void*>(&Ftime64),
     reinterpret_cast<void**>(&s_real.ftime64)},
    {"ucrtbase.dll", "_time32", reinterpret_cast<void*>(&Time32), nullptr},
    {"ucrtbase.dll", "_time64", reinterpret_cast<void*>(&Time64), nullptr},
    {"ucrtbase.dll", "_ftime32", reinterpret_cast<void*>(&Ftime32), nullptr},
    {"ucrtbase.dll", "_ftime64", reinterpret_cast<void*>(&Ftime64), nullptr},
    {"kernel32.dll", "GetSystemTimeAsFileTime", reinterpret_cast<void*>(&FileTime),
     reinterpret_cast<void**>(&s_real.fileTime)},
    {"kernel32.dll", "GetSystemTimePreciseAsFileTime", reinterpret_cast<void*>(&PreciseFileTime),
     reinterpret_cast<void**>(&s_real.preciseFileTime)},
    {"kernel32.dll", "GetSystemTime", reinterpret_cast<void*>(&SystemTime),
     reinterpret_cast<void**>(&s_real.systemTime)},
    {"kernel32.dll", "GetLocalTime", reinterpret_cast<void*>(&LocalTime),
     reinterpret_cast<void**>(&s_real.localTime)},
    {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&LookUp),
     reinterpret_cast<void**>(&s_real.getProcAddress)},
};
constexpr size_t kCount = sizeof kReplacements / sizeof kReplacements[0];

// The system's address of each replaced function (nullptr where the
// library is not in the process or lacks it).
void* s_realAddress[kCount] = {};

void* FakeFor(void* address) {
    if (!address)
        return nullptr;
    for (size_t i = 0; i < kCount; ++i)
        if (s_realAddress[i] == address)
            return kReplacements[i].fake;
    return nullptr;
}

FARPROC WINAPI LookUp(HMODULE module, LPCSTR name) {
    const FARPROC found = s_real.getProcAddress(module, name);
    void* fake = FakeFor(reinterpret_cast<void*>(found));
    return fake ? reinterpret_cast<FARPROC>(fake) : found;
}

// Looked up again for every module attached: a library that was not in the
// process before (ucrtbase.dll, which a module built by a current Microsoft
// compiler brings along) may be now, or at another address.
void FindRealFunctions() {
    // GetProcAddress itself is taken once, on the first call, before any
    // import table (the executable's own included) points at LookUp.
    static const auto getProcAddress = reinterpret_cast<GetProcAddressFn>(reinterpret_cast<void*>(
        ::GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcAddress")));
    for (size_t i = 0; i < kCount; ++i) {
        const HMODULE library = GetModuleHandleA(kReplacements[i].library);
        s_realAddress[i] =
            library ? reinterpret_cast<void*>(getProcAddress(library, kReplacements[i].name))
                    : nullptr;
        if (kReplacements[i].real && s_realAddress[i])
            *kReplacements[i].real = s_realAddress[i];
    }
    if (!s_real.time32)
        s_real.time32 = s_real.time;
}

// Rewrites the module's import address table where it holds a replaced
// function.
void PatchImports(HMODULE module) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return;
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0)
        return;
    for (auto* descriptor =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
             slot->u1.Function != 0; ++slot) {
            void* fake = FakeFor(reinterpret_cast<void*>(slot->u1.Function));
            if (!fake)
                continue;
            DWORD was = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &was))
                continue;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(fake);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, was, &was);
        }
    }
}

}  // namespace

void WallClock::AttachModule(void* module) {
    FindRealFunctions();
    if (module)
        PatchImports(static_cast<HMODULE>(module));
}

}  // namespace sim
