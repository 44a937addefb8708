// The export directory of a loaded DLL, for tests of what a module exports.
#pragma once

#include <windows.h>

#include <set>
#include <string>

namespace exporttable {

struct Exports {
    bool present = false;         // the module has an export directory
    std::set<std::string> names;  // the functions exported by name
    DWORD functions = 0;          // every exported function, by name or by number only
};

inline Exports Read(HMODULE module) {
    Exports out;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0)
        return out;
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    out.present = true;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        out.names.insert(reinterpret_cast<const char*>(base + names[i]));
    out.functions = exports->NumberOfFunctions;
    return out;
}

}  // namespace exporttable
