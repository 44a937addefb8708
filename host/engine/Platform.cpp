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

double UtcEpoch(struct tm& when) {
    return static_cast<double>(_mkgmtime64(&when));
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

double UtcEpoch(struct tm& when) {
    return static_cast<double>(timegm(&when));
}

void UseUtcLocalTime() {
    setenv("TZ", "UTC", 1);
    tzset();
}

#endif

}  // namespace sim
