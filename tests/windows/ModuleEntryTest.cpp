// The Windows module entry of travik.dll, loaded as the server loads it.
// Every test runs in a process of its own (ctest), so each load is the
// module's first attachment.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include <tier1/interface.h>

namespace {

// The build's forward slashes as a Windows path.
std::string WindowsPath(const char* path) {
    std::string converted(path);
    for (char& c : converted) {
        if (c == '/') {
            c = '\\';
        }
    }
    return "Z:" + converted;
}

class ModuleEntry : public ::testing::Test {
protected:
    void TearDown() override {
        if (travik_) {
            ::FreeLibrary(travik_);
        }
        if (client_) {
            ::FreeLibrary(client_);
        }
    }

    HMODULE LoadTravik() { return travik_ = ::LoadLibraryA(WindowsPath(TRAVIK_DLL_PATH).c_str()); }
    HMODULE LoadClient() {
        return client_ = ::LoadLibraryA(WindowsPath(FAKE_CLIENT_DLL_PATH).c_str());
    }

    HMODULE travik_ = nullptr;
    HMODULE client_ = nullptr;
};

TEST_F(ModuleEntry, AttachesInAServerAndAnswersOnlyThePluginInterface) {
    ASSERT_EQ(::GetModuleHandleA("client.dll"), nullptr);
    ASSERT_NE(LoadTravik(), nullptr) << "error " << ::GetLastError();
    const auto create = reinterpret_cast<CreateInterfaceFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(travik_, CREATEINTERFACE_PROCNAME)));
    ASSERT_NE(create, nullptr);

    int code = IFACE_FAILED;
    EXPECT_NE(create("ISERVERPLUGINCALLBACKS003", &code), nullptr);
    EXPECT_EQ(code, IFACE_OK);
    EXPECT_EQ(create("ISERVERPLUGINCALLBACKS002", &code), nullptr);
    EXPECT_EQ(code, IFACE_FAILED);
    // The module's other code is not reachable by name.
    EXPECT_EQ(::GetProcAddress(travik_, "DllMain"), nullptr);
    EXPECT_EQ(::GetProcAddress(travik_, "travikmodulefind"), nullptr);
}

TEST_F(ModuleEntry, RefusesToAttachInsideAGameClient) {
    ASSERT_NE(LoadClient(), nullptr) << "error " << ::GetLastError();
    EXPECT_EQ(LoadTravik(), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    // The refusal leaves nothing behind: without the client it attaches.
    ::FreeLibrary(client_);
    client_ = nullptr;
    ASSERT_EQ(::GetModuleHandleA("client.dll"), nullptr);
    EXPECT_NE(LoadTravik(), nullptr) << "error " << ::GetLastError();
}

}  // namespace
