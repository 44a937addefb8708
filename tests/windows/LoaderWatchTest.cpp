// The hook library learns of DLLs mapped and unmapped from the loader
// (a registered notification); a module carrying it must take that back
// when it is unloaded, or the next DLL event calls into freed memory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

using Generation = std::uint64_t (*)();

Generation GenerationOf(HMODULE module) {
    return reinterpret_cast<Generation>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "WatcherGeneration")));
}

TEST(LoaderWatch, AModuleSeesOtherDllsComeAndForgetsTheLoaderWhenUnloaded) {
    for (int round = 0; round < 2; ++round) {
        const HMODULE watcher = ::LoadLibraryA(LOADER_WATCHER_DLL_PATH);
        ASSERT_NE(watcher, nullptr);
        const Generation generation = GenerationOf(watcher);
        ASSERT_NE(generation, nullptr);
        const std::uint64_t first = generation();
        EXPECT_EQ(generation(), first) << "nothing was mapped in between";
        const HMODULE client = ::LoadLibraryA(FAKE_CLIENT_DLL_PATH);
        ASSERT_NE(client, nullptr);
        EXPECT_GT(generation(), first) << "a mapped DLL makes it read the memory again";
        ::FreeLibrary(client);
        ASSERT_TRUE(::FreeLibrary(watcher));
        // With the watcher gone, DLLs still come and go: the loader must
        // not call its notification any more.
        const HMODULE again = ::LoadLibraryA(FAKE_CLIENT_DLL_PATH);
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(::FreeLibrary(again));
    }
}

}  // namespace
