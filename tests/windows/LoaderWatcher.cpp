// A DLL with the hook library's view of the process memory, loaded and
// unloaded by LoaderWatchTest as a plug-in is by the server.
#include <cstdint>

#include "hook/ProcessMemory.h"

extern "C" __declspec(dllexport) std::uint64_t WatcherGeneration() {
    static travik::hook::ProcessMemory memory;
    memory.map();
    return memory.generation();
}
