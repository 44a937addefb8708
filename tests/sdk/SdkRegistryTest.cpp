// The host's registry (vstdlib) and a module's registration through it:
// ConVar_Register, ConVar_Unregister, replacement commands, and a module that
// exports nothing but CreateInterface.
#include <gtest/gtest.h>
#include <icvar.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>
#include <vstdlib/random.h>
#include <vstdlib/vstdlib.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ISdkTestModule.h"
#include "SpewCapture.h"

#ifdef _WIN32
#include <windows.h>

#include "../windows/ExportTable.h"
#else
#include <dlfcn.h>
#endif

namespace {

ICvar* Cvar() {
    return static_cast<ICvar*>(VStdLib_GetICVarFactory()(CVAR_INTERFACE_VERSION, nullptr));
}

// The engine factory a host hands its modules.
void* EngineFactory(const char* name, int* returnCode) {
    return VStdLib_GetICVarFactory()(name, returnCode);
}

std::vector<std::string> RegisteredNames() {
    std::vector<std::string> names;
    for (ConCommandBase* cur = Cvar()->GetCommands(); cur; cur = cur->GetNext())
        names.emplace_back(cur->GetName());
    return names;
}

int s_hostRuns = 0;
void HostCommand(const CCommand&) {
    ++s_hostRuns;
}

// Runs a registered command the way the host's console does.
void RunCommand(const char* line) {
    CCommand args;
    ASSERT_TRUE(args.Tokenize(line));
    ConCommand* command = Cvar()->FindCommand(args[0]);
    ASSERT_NE(command, nullptr) << line;
    command->Dispatch(args);
}

// True when nothing of the test module is registered.
bool NoTestModuleEntries() {
    for (const std::string& name : RegisteredNames())
        if (name.rfind("sdk_test_", 0) == 0)
            return false;
    return true;
}

class SdkRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        CreateInterfaceFn factory = EngineFactory;
        ConnectTier1Libraries(&factory, 1);
    }
    void TearDown() override {
        for (ConCommandBase* base : registered)
            cvar->UnregisterConCommand(base);
        DisconnectTier1Libraries();
    }
    bool Register(ConCommandBase& base) {
        registered.push_back(&base);
        return cvar->RegisterConCommand(&base);
    }

    ICvar* cvar = Cvar();
    std::vector<ConCommandBase*> registered;
};

TEST_F(SdkRegistry, FactoryAnswersItsTwoInterfacesOnly) {
    int code = -1;
    EXPECT_NE(EngineFactory(CVAR_INTERFACE_VERSION, &code), nullptr);
    EXPECT_EQ(code, IFACE_OK);
    EXPECT_NE(EngineFactory(VENGINE_SERVER_RANDOM_INTERFACE_VERSION, nullptr), nullptr);
    EXPECT_EQ(EngineFactory("VEngineCvar003", &code), nullptr);
    EXPECT_EQ(code, IFACE_FAILED);
    EXPECT_EQ(EngineFactory(nullptr, &code), nullptr);
    EXPECT_EQ(g_pCVar, cvar);
}

TEST_F(SdkRegistry, AVariableAndACommandOfOneNameCannotCoexist) {
    ConVar var("sdk_reg_clash", "1");
    ConCommand command("sdk_reg_clash", HostCommand);
    ConVar second("SDK_REG_CLASH", "2");
    SpewCapture spew;
    EXPECT_TRUE(Register(var));
    EXPECT_FALSE(Register(command));
    EXPECT_FALSE(Register(second));
    EXPECT_EQ(spew.Lines().size(), 2u);
    EXPECT_NE(spew.Text(SPEW_WARNING).find("sdk_reg_clash"), std::string::npos);
    EXPECT_EQ(cvar->FindVar("sdk_reg_clash"), &var);
    EXPECT_EQ(cvar->FindCommand("sdk_reg_clash"), nullptr);
    EXPECT_FALSE(command.IsRegistered());

    ConCommand first("sdk_reg_clash2", HostCommand);
    ConVar late("sdk_reg_clash2", "1");
    EXPECT_TRUE(Register(first));
    EXPECT_FALSE(Register(late));
    EXPECT_EQ(cvar->FindVar("sdk_reg_clash2"), nullptr);
}

TEST_F(SdkRegistry, TheCommandRegisteredLaterIsFoundFirst) {
    ConCommand host("sdk_reg_twice", HostCommand);
    ConCommand replacement("sdk_reg_twice", HostCommand);
    EXPECT_TRUE(Register(host));
    EXPECT_TRUE(Register(replacement));
    EXPECT_FALSE(Register(replacement));  // already registered
    EXPECT_EQ(cvar->FindCommand("sdk_reg_twice"), &replacement);
    EXPECT_EQ(cvar->FindCommandBase("Sdk_Reg_Twice"), &replacement);
    cvar->UnregisterConCommand(&replacement);
    EXPECT_EQ(cvar->FindCommand("sdk_reg_twice"), &host);
}

TEST_F(SdkRegistry, IterationListsNewestFirst) {
    ConVar a("sdk_reg_a", "1");
    ConCommand b("sdk_reg_b", HostCommand);
    Register(a);
    Register(b);
    const std::vector<std::string> names = RegisteredNames();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "sdk_reg_b");
    EXPECT_EQ(names[1], "sdk_reg_a");
    EXPECT_EQ(cvar->FindVar(nullptr), nullptr);
    EXPECT_EQ(cvar->FindCommand("sdk_reg_missing"), nullptr);
}

TEST_F(SdkRegistry, DestroyingARegisteredObjectUnregistersIt) {
    {
        ConVar var("sdk_reg_scoped", "1");
        ASSERT_TRUE(cvar->RegisterConCommand(&var));
        EXPECT_NE(cvar->FindVar("sdk_reg_scoped"), nullptr);
    }
    EXPECT_EQ(cvar->FindVar("sdk_reg_scoped"), nullptr);
}

std::vector<std::string> s_order;
void OwnCallback(IConVar*, const char*, float) {
    s_order.push_back("own");
}
void GlobalCallback(IConVar* var, const char* oldValue, float) {
    s_order.push_back(std::string("global ") + var->GetName() + " " + oldValue);
}

TEST_F(SdkRegistry, GlobalCallbacksRunAfterTheVariablesOwn) {
    s_order.clear();
    ConVar var("sdk_reg_global", "1", 0, "help", OwnCallback);
    cvar->InstallGlobalChangeCallback(GlobalCallback);
    cvar->InstallGlobalChangeCallback(GlobalCallback);
    var.SetValue("2");
    cvar->RemoveGlobalChangeCallback(GlobalCallback);
    var.SetValue("3");
    EXPECT_EQ(s_order, (std::vector<std::string>{"own", "global sdk_reg_global 1", "own"}));
}

TEST_F(SdkRegistry, RandomStreamIsSeededAndInRange) {
    auto* random = static_cast<IUniformRandomStream*>(
        EngineFactory(VENGINE_SERVER_RANDOM_INTERFACE_VERSION, nullptr));
    random->SetSeed(42);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(random->RandomInt(3, 5));
    random->SetSeed(42);
    std::set<int> seen;
    for (int i = 0; i < 50; ++i) {
        const int value = random->RandomInt(3, 5);
        EXPECT_EQ(value, first[static_cast<size_t>(i)]);
        seen.insert(value);
    }
    EXPECT_EQ(seen, (std::set<int>{3, 4, 5}));
    EXPECT_EQ(random->RandomInt(7, 7), 7);
    EXPECT_EQ(random->RandomInt(9, 2), 9);
    for (int i = 0; i < 100; ++i) {
        const float f = random->RandomFloat(1.0f, 2.0f);
        EXPECT_GE(f, 1.0f);
        EXPECT_LT(f, 2.0f);
    }
    const int wide = random->RandomInt(INT_MIN, INT_MAX);
    EXPECT_GE(wide, INT_MIN);
}

// The test module, loaded the way the host loads a plug-in.
#ifdef _WIN32
void* OpenModule() {
    return LoadLibraryA(SDK_TEST_MODULE_PATH);
}
void* ModuleSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseModule(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
bool ModuleInMemory() {
    return GetModuleHandleA(SDK_TEST_MODULE_PATH) != nullptr;
}
std::string LoadError() {
    return "LoadLibrary failed with error " + std::to_string(GetLastError());
}
#else
void* OpenModule() {
    return dlopen(SDK_TEST_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
}
void* ModuleSymbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
void CloseModule(void* handle) {
    dlclose(handle);
}
bool ModuleInMemory() {
    void* handle = dlopen(SDK_TEST_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}
std::string LoadError() {
    const char* error = dlerror();
    return error ? error : "";
}
#endif

class LoadedModule {
public:
    LoadedModule() : m_handle(OpenModule()) {
        if (!m_handle)
            return;
        auto create =
            reinterpret_cast<CreateInterfaceFn>(ModuleSymbol(m_handle, "CreateInterface"));
        if (create)
            m_module = static_cast<ISdkTestModule*>(create(SDK_TEST_MODULE_VERSION, nullptr));
    }
    ~LoadedModule() {
        if (m_handle)
            CloseModule(m_handle);
    }
    ISdkTestModule* operator->() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }
    void* Handle() const { return m_handle; }

    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

private:
    void* m_handle;
    ISdkTestModule* m_module = nullptr;
};

class SdkRegistryModule : public SdkRegistry {
protected:
    void SetUp() override {
        SdkRegistry::SetUp();
        s_hostRuns = 0;
        Register(hostCommand);
    }
    ConCommand hostCommand{SDK_HOST_CMD, HostCommand, "the host's own command"};
};

TEST_F(SdkRegistryModule, RegistersItsObjectsAndUnregistersEveryOne) {
    LoadedModule module;
    ASSERT_TRUE(module) << LoadError();
    module->Connect(EngineFactory);

    ConVar* var = cvar->FindVar(SDK_TEST_VAR);
    ASSERT_NE(var, nullptr);
    EXPECT_EQ(var->GetInt(), 5);
    EXPECT_EQ(cvar->FindVar(SDK_TEST_UNREGISTERED), nullptr);
    // Setting from outside runs the owner's code: its bounds and its callback.
    var->SetValue("50");
    EXPECT_STREQ(var->GetString(), "10.000000");
    EXPECT_EQ(module->CallbackRuns(), 1);

    RunCommand(SDK_TEST_CMD " x");
    EXPECT_EQ(module->CommandRuns(), 1);

    module->Disconnect();
    EXPECT_EQ(cvar->FindVar(SDK_TEST_VAR), nullptr);
    EXPECT_EQ(cvar->FindCommand(SDK_TEST_CMD), nullptr);
    EXPECT_TRUE(NoTestModuleEntries());
}

TEST_F(SdkRegistryModule, AReplacementFindsTheHostCommandWinsAndForwards) {
    LoadedModule module;
    ASSERT_TRUE(module) << LoadError();
    module->Connect(EngineFactory);
    EXPECT_TRUE(module->FoundHostCommand());
    ConCommand* found = cvar->FindCommand(SDK_HOST_CMD);
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, &hostCommand);
    RunCommand(SDK_HOST_CMD);
    EXPECT_EQ(s_hostRuns, 1);

    module->Disconnect();
    EXPECT_EQ(cvar->FindCommand(SDK_HOST_CMD), &hostCommand);
}

TEST_F(SdkRegistryModule, ObjectsMadeAfterRegistrationJoinAtOnceAndLeaveOnDestruction) {
    LoadedModule module;
    ASSERT_TRUE(module) << LoadError();
    module->Connect(EngineFactory);
    ConVar* late = module->MakeLateVariable();
    EXPECT_EQ(cvar->FindVar(SDK_TEST_LATE_VAR), late);
    module->DestroyLateVariable();
    EXPECT_EQ(cvar->FindVar(SDK_TEST_LATE_VAR), nullptr);

    module->MakeLateVariable();
    module->Disconnect();
    EXPECT_EQ(cvar->FindVar(SDK_TEST_LATE_VAR), nullptr);
    module->DestroyLateVariable();
}

TEST_F(SdkRegistryModule, ReloadingGivesFreshGlobals) {
    {
        LoadedModule module;
        ASSERT_TRUE(module) << LoadError();
        module->Connect(EngineFactory);
        RunCommand(SDK_TEST_CMD);
        EXPECT_EQ(module->CommandRuns(), 1);
        module->Disconnect();
    }
    EXPECT_FALSE(ModuleInMemory()) << "the module stayed in memory after it was closed";
    LoadedModule again;
    ASSERT_TRUE(again);
    EXPECT_EQ(again->CommandRuns(), 0);
    again->Connect(EngineFactory);
    EXPECT_NE(cvar->FindVar(SDK_TEST_VAR), nullptr);
    again->Disconnect();
}

TEST_F(SdkRegistryModule, UnloadingWithoutUnregisteringLeavesNothingBehind) {
    {
        LoadedModule module;
        ASSERT_TRUE(module) << LoadError();
        module->Connect(EngineFactory);
        module->DisconnectOnly();
        EXPECT_NE(cvar->FindVar(SDK_TEST_VAR), nullptr);
    }
    EXPECT_EQ(cvar->FindVar(SDK_TEST_VAR), nullptr);
    EXPECT_EQ(cvar->FindCommand(SDK_HOST_CMD), &hostCommand);
    EXPECT_TRUE(NoTestModuleEntries());
}

#ifdef _WIN32
// The export directory of the loaded module: a DLL exports functions only.
TEST(SdkRegistryExports, TheModuleExportsOnlyCreateInterface) {
    LoadedModule module;
    ASSERT_TRUE(module.Handle()) << LoadError();
    const exporttable::Exports exports = exporttable::Read(static_cast<HMODULE>(module.Handle()));
    ASSERT_TRUE(exports.present);
    EXPECT_EQ(exports.names, std::set<std::string>{"CreateInterface"});
    // No export by number only.
    EXPECT_EQ(exports.functions, exports.names.size());
}
#else
TEST(SdkRegistryExports, TheModuleExportsOnlyCreateInterface) {
    const std::string command =
        std::string(SDK_TEST_NM) + " -D --defined-only " + SDK_TEST_MODULE_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> functions;
    std::set<std::string> others;
    char line[512];
    while (fgets(line, sizeof(line), pipe)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (!(fields >> address >> type >> name))
            continue;
        (type == "T" || type == "W" || type == "i" ? functions : others).insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(functions, std::set<std::string>{"CreateInterface"});
    EXPECT_TRUE(others.empty()) << *others.begin();
}
#endif

}  // namespace
