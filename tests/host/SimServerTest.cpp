#include "SimServerTest.h"

#include "engine/Platform.h"

SimServerTest::SimServerTest() : folder(SRCDS_SIM_TEMPLATE) {
    // Local time stamps are checked in UTC.
    sim::UseUtcLocalTime();
}

SimServerTest::~SimServerTest() {
    server.reset();
}

void SimServerTest::InstallTestPlugin(const std::string& name) {
    ASSERT_TRUE(folder.InstallAddon(SIM_TEST_PLUGIN_PATH, name));
}

sim::Server& SimServerTest::StartServer(const std::string& commandLine) {
    EXPECT_TRUE(folder.Ok()) << folder.Error();
    server =
        std::make_unique<sim::Server>(sim::ServerConfig{folder.GameDir(), commandLine, false, ""});
    EXPECT_TRUE(server->Start()) << server->Console().Text();
    return *server;
}

ISimTestPlugin* SimServerTest::TestPlugin(int index) {
    CreateInterfaceFn factory = server->Plugins().ModuleFactory(index);
    return factory ? static_cast<ISimTestPlugin*>(factory(SIM_TEST_PLUGIN_VERSION, nullptr))
                   : nullptr;
}

std::vector<std::string> SimServerTest::Calls(const std::string& prefix, int index) {
    std::vector<std::string> calls;
    ISimTestPlugin* plugin = TestPlugin(index);
    for (int i = 0; plugin && i < plugin->CallCount(); ++i) {
        const std::string call = plugin->Call(i);
        if (call.rfind(prefix, 0) == 0)
            calls.push_back(call);
    }
    return calls;
}

std::vector<std::string> SimServerTest::CallsWithoutCommandClient(int index) {
    std::vector<std::string> calls = Calls("", index);
    std::erase_if(calls,
                  [](const std::string& call) { return call.rfind("SetCommandClient", 0) == 0; });
    return calls;
}

sim::Client& SimServerTest::Connect(const std::string& name,
                                    const std::function<void(sim::ClientSpec&)>& adjust) {
    sim::ClientSpec spec;
    spec.name = name;
    // In the game and validated at once; the suites about joining say otherwise.
    spec.signOn = 0.0;
    spec.validateAfter = 0.0;
    if (adjust)
        adjust(spec);
    return server->Clients().Connect(spec);
}

const char* SimServerTest::Var(const char* name) const {
    const ConVar* var = server->FindVar(name);
    return var ? var->GetString() : "<missing>";
}

std::vector<sim::GameEventManager::Fired> SimServerTest::Events(const std::string& name) const {
    std::vector<sim::GameEventManager::Fired> found;
    for (const auto& fired : server->Events().History())
        if (fired.name == name)
            found.push_back(fired);
    return found;
}
