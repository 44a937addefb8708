#include "engine/Platform.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include "engine/WallClock.h"
#else
#include <dlfcn.h>
#endif

namespace sim {

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\'))
        return true;
    if (!path.empty() && path[0] == '\\')
        return true;
#endif
    return !path.empty() && path[0] == '/';
}

double UtcEpoch(const struct tm& when) {
    // Counted here rather than by the C library: Microsoft's _mkgmtime64
    // answers -1 before 1970 and after 3000, which read as a date.
    auto floorDiv = [](long long a, long long b) {
        return a / b - (a % b != 0 && (a < 0) != (b < 0));
    };
    long long year = 1900LL + when.tm_year + floorDiv(when.tm_mon, 12);
    const long long month = when.tm_mon - 12 * floorDiv(when.tm_mon, 12) + 1;  // 1 to 12
    // Days from 1970-01-01 to the first of the month (the proleptic Gregorian
    // calendar, years counted from March so that a leap day comes last).
    year -= month <= 2;
    const long long era = floorDiv(year, 400);
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = era * 146097 + dayOfEra - 719468 + (when.tm_mday - 1);
    return static_cast<double>(days) * 86400.0 + when.tm_hour * 3600.0 + when.tm_min * 60.0 +
           when.tm_sec;
}

std::string WithoutTrailingSeparators(std::string path) {
    size_t root = 1;
#ifdef _WIN32
    if (path.size() >= 3 && path[1] == ':')
        root = 3;
    auto separator = [](char c) { return c == '/' || c == '\\'; };
#else
    auto separator = [](char c) { return c == '/'; };
#endif
    while (path.size() > root && separator(path.back()))
        path.pop_back();
    return path;
}

#ifdef _WIN32

namespace {

std::string SystemMessage(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

void* SharedModule::Open(const std::string& path, std::string& error) {
    std::string native = path;
    for (char& c : native)
        if (c == '/')
            c = '\\';
    // A module's own folder is searched for the DLLs it imports, as the
    // server's loader does for addons.
    HMODULE module = LoadLibraryExA(native.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        error = path + ": " + SystemMessage(GetLastError());
        return nullptr;
    }
    WallClock::AttachModule(module);
    return module;
}

void* SharedModule::Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void SharedModule::Close(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}

const void* SharedModule::BaseOf(const void* address) {
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return GetModuleHandleExA(flags, static_cast<const char*>(address), &module) ? module : nullptr;
}

std::string ExecutableDir() {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path))
        return "";
    return std::filesystem::path(path).parent_path().string();
}

void UseUtcLocalTime() {
    _putenv_s("TZ", "UTC");
    _tzset();
}

#else

void* SharedModule::Open(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        error = dlerror();
    return handle;
}

void* SharedModule::Symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void SharedModule::Close(void* handle) {
    dlclose(handle);
}

const void* SharedModule::BaseOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) ? info.dli_fbase : nullptr;
}

std::string ExecutableDir() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : self.parent_path().string();
}

void UseUtcLocalTime() {
    setenv("TZ", "UTC", 1);
    tzset();
}

#endif

}  // namespace sim
