// Loading plug-ins: addons/*.vdf at start-up, plugin_load/unload/pause,
// the same module loaded twice, and a reload that starts with fresh globals.
#include <icvar.h>
#include <vstdlib/vstdlib.h>

#include "SimServerTest.h"

namespace {

using Strings = std::vector<std::string>;

class SrcdsSimPlugins : public SimServerTest {};

TEST_F(SrcdsSimPlugins, StartUpOrderIsLoadThenLevelInitThenServerActivate) {
    InstallTestPlugin();
    StartServer("+maxplayers 12 +map de_dust2");
    // The game makes its four team entities and spawns de_dust2's 27 map
    // entities (edicts 13 to 43) between the level's start and its activation.
    Strings expected{"Load", "LevelInit de_dust2"};
    for (int edict = 13; edict <= 43; ++edict)
        expected.push_back("OnEdictAllocated " + std::to_string(edict));
    expected.push_back("ServerActivate 44 12");
    EXPECT_EQ(CallsWithoutCommandClient(), expected);
    EXPECT_EQ(server->Globals().framecount, 0) << "a plug-in loads before the first frame";
    EXPECT_EQ(server->Globals().curtime, 0.0f);
}

TEST_F(SrcdsSimPlugins, DescriptionFilesAreReadInNameOrderAndBadOnesAreReported) {
    InstallTestPlugin("b_second");
    ASSERT_TRUE(folder.WriteFile("addons/a_broken.vdf", "\"Plugin\" { \"file\" "));
    ASSERT_TRUE(folder.WriteFile("addons/c_other.vdf", "\"Something\" { \"file\" \"x\" }"));
    StartServer();
    EXPECT_EQ(server->Plugins().Count(), 1);
    EXPECT_TRUE(ConsoleHas("Unable to read plugin description file \"a_broken.vdf\""));
    EXPECT_TRUE(ConsoleHas("Unable to read plugin description file \"c_other.vdf\""));
}

TEST_F(SrcdsSimPlugins, LoadingTheSameFileTwiceGivesTheSameObjectWhichRefusesAndIsUnloaded) {
    InstallTestPlugin();
    StartServer();
    Console("plugin_load addons/simtest");
    EXPECT_TRUE(ConsoleHas("Failed to load plugin \"addons/simtest\""));
    EXPECT_TRUE(ConsoleHas("Unable to load plugin \"addons/simtest\""));
    ASSERT_EQ(server->Plugins().Count(), 1);
    // The refused instance was the same module: its Load and the host's
    // Unload after the refusal reached the first instance's object.
    EXPECT_EQ(Calls("Load"), (Strings{"Load", "Load refused"}));
    EXPECT_EQ(Calls("Unload"), (Strings{"Unload secondary"}));
    // The first instance still works.
    sim::Client& alice = Connect("alice");
    EXPECT_TRUE(alice.IsActive());
    EXPECT_FALSE(Calls("ClientActive").empty());
    EXPECT_NE(server->FindVar("sim_test_var"), nullptr);
}

TEST_F(SrcdsSimPlugins, UnloadRemovesItsVariablesAndAReloadStartsWithFreshGlobals) {
    InstallTestPlugin();
    StartServer("");  // no level yet, so the plug-in may load again
    ASSERT_EQ(TestPlugin()->SuccessfulLoads(), 1);
    Console("plugin_unload 0");
    EXPECT_TRUE(ConsoleHas("Unloaded plugin \"0\""));
    EXPECT_EQ(server->Plugins().Count(), 0);
    EXPECT_EQ(server->FindVar("sim_test_var"), nullptr);
    EXPECT_EQ(server->Cvar().FindCommand("sim_test_cmd"), nullptr);

    Console("plugin_load addons/simtest");
    EXPECT_TRUE(ConsoleHas("Loaded plugin \"addons/simtest\""));
    ASSERT_EQ(server->Plugins().Count(), 1);
    // A module left in memory would count two successful loads.
    EXPECT_EQ(TestPlugin()->SuccessfulLoads(), 1);
    EXPECT_EQ(Calls("Load"), (Strings{"Load"}));
    EXPECT_NE(server->FindVar("sim_test_var"), nullptr);
}

TEST_F(SrcdsSimPlugins, LoadingDuringALevelDeliversLevelInitAndServerActivateAtOnce) {
    StartServer("+maxplayers 8 +map de_nuke");
    folder.InstallAddon(SIM_TEST_PLUGIN_PATH, "late");
    Console("plugin_load addons/late");
    ASSERT_EQ(server->Plugins().Count(), 1);
    EXPECT_EQ(CallsWithoutCommandClient(),
              (Strings{"Load", "LevelInit de_nuke", "ServerActivate 13 8"}));
}

TEST_F(SrcdsSimPlugins, PausedPluginHearsNothingUntilUnpaused) {
    InstallTestPlugin();
    StartServer();
    Console("plugin_pause 0");
    EXPECT_TRUE(ConsoleHas("Paused plugin \"0\""));
    TestPlugin()->ClearCalls();
    Connect("alice");
    server->RunTicks(3);
    // Its event listener is the event manager's business, as on the real
    // server; the plug-in callbacks stop.
    for (const std::string& call : Calls())
        EXPECT_EQ(call.rfind("FireGameEvent", 0), 0u) << call;
    EXPECT_EQ(TestPlugin()->GameFrames(), 0);
    Console("plugin_print");
    EXPECT_TRUE(ConsoleHas("0:\t\"Sim Test Plugin 1.0\" (disabled)\n"));

    Console("plugin_unpause 0");
    EXPECT_EQ(Calls("UnPause"), (Strings{"UnPause"}));
    Connect("bob");
    EXPECT_FALSE(Calls("ClientConnect").empty());
}

TEST_F(SrcdsSimPlugins, PauseTwiceCallsPauseOnce) {
    InstallTestPlugin();
    StartServer();
    Console("plugin_pause 0");
    Console("plugin_pause 0");
    EXPECT_EQ(Calls("Pause"), (Strings{"Pause"}));
    EXPECT_TRUE(ConsoleHas("Plugin 0 is already paused."));
}

TEST_F(SrcdsSimPlugins, BadIndexesAndMissingFilesAreReported) {
    StartServer();
    Console("plugin_unload 3");
    Console("plugin_pause x");
    Console("plugin_load addons/nothing_here");
    EXPECT_TRUE(ConsoleHas("Unable to unload plugin \"3\", not found"));
    EXPECT_TRUE(ConsoleHas("Unable to pause plugin \"x\", not found"));
    EXPECT_TRUE(ConsoleHas("Unable to load plugin \"addons/nothing_here\""));
}

TEST_F(SrcdsSimPlugins, PrintListsLoadedPlugins) {
    InstallTestPlugin();
    StartServer();
    Console("plugin_print");
    EXPECT_TRUE(
        ConsoleHas("Loaded plugins:\n---------------------\n0:\t\"Sim Test Plugin 1.0\"\n"
                   "---------------------\n"));
}

TEST_F(SrcdsSimPlugins, QuitUnloadsPluginsAndShutsDown) {
    InstallTestPlugin();
    StartServer();
    ISimTestPlugin* plugin = TestPlugin();
    ASSERT_NE(plugin, nullptr);
    Connect("alice");
    Console("quit");
    EXPECT_FALSE(server->IsUp());
    EXPECT_EQ(server->Plugins().Count(), 0);
    EXPECT_EQ(server->Clients().Find("alice")->DisconnectReason(), "Server shutting down");
}

TEST_F(SrcdsSimPlugins, AServerLeavesTheRegistryAsItFoundIt) {
    auto count = [] {
        int entries = 0;
        ICvar* cvar =
            static_cast<ICvar*>(VStdLib_GetICVarFactory()(CVAR_INTERFACE_VERSION, nullptr));
        for (ConCommandBase* base = cvar->GetCommands(); base; base = base->GetNext())
            ++entries;
        return entries;
    };
    const int before = count();
    InstallTestPlugin();
    StartServer();
    EXPECT_GT(count(), before + 50) << "engine, game and plug-in entries are registered";
    server.reset();
    EXPECT_EQ(count(), before);
    EXPECT_EQ(sim::Server::Current(), nullptr);
}

}  // namespace
