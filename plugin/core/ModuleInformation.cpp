#include "core/ModuleInformation.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif
#include <filesystem.h>

#include "core/BuildPlatform.h"
#include "core/HostInterfaces.h"
#include "support/md5.h"

#ifndef _WIN32
// Serves only as an address inside this module for the dynamic loader.
extern "C" void travikmodulefind() {}

std::string FindModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&travikmodulefind), &info) == 0 || !info.dli_fname) {
        return {};
    }
    return info.dli_fname;
}
#else
std::string FindModulePath() {
    return {};
}
#endif

void SplitModulePath(const std::string& path, std::string& directory, std::string& fileName) {
    SplitModulePath(path, directory, fileName,
                    BuildPlatform::kWindows ? PathStyle::Windows : PathStyle::Linux);
}

void SplitModulePath(const std::string& path, std::string& directory, std::string& fileName,
                     PathStyle style) {
    const char first = style == PathStyle::Windows ? '\\' : '/';
    const char second = style == PathStyle::Windows ? '/' : '\\';
    size_t separator = path.rfind(first);
    if (separator == std::string::npos) {
        separator = path.rfind(second);
    }
    if (separator == std::string::npos) {
        directory = path;
        fileName.clear();
        return;
    }
    directory = path.substr(0, separator + 1);
    fileName = path.substr(separator + 1);
}

std::string DigestOfFile(const std::string& path) {
    IFileSystem* fs = g_host.fileSystem;
    if (!fs) {
        return {};
    }
    FileHandle_t file = fs->Open(path.c_str(), "rb");
    if (file == FILESYSTEM_INVALID_HANDLE) {
        return {};
    }
    MD5Text digest(MD5Stream([fs, file](unsigned char* buffer, size_t size) -> long {
        return fs->Read(buffer, static_cast<int>(size), file);
    }));
    fs->Close(file);
    return digest ? std::string(digest.get()) : std::string();
}
