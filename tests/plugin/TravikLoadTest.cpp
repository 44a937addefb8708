// Loading, refusing and unloading the plug-in as the host sees it: its
// console lines, its variables, the server tags and what players are told.
#include <icvar.h>
#include <iserverplugin.h>
#include <tier1/convar.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "TravikServerTest.h"
#include "engine/Platform.h"

namespace {

class TravikLoadFeature : public TravikServerTest {
protected:
    // plugin_load of the installed module on a server without a level.
    void LoadByCommand() { Console("plugin_load addons/travik"); }

    void ExpectRefused(const std::string& message) {
        EXPECT_TRUE(ConsoleHas(message)) << ConsoleText();
        EXPECT_TRUE(ConsoleHas("Failed to load plugin \"addons/travik\""));
        EXPECT_FALSE(ConsoleHas("[Travik] Plugin Successfully Loaded!"));
        EXPECT_EQ(server->Plugins().Count(), 0);
        EXPECT_FALSE(AnyTravikVariable());
    }

    // The installed module opened beside the host's own loading: its
    // factory and the callbacks it hands out, null where that failed.
    struct OpenedModule {
        void* handle = nullptr;
        CreateInterfaceFn factory = nullptr;
        IServerPluginCallbacks* plugin = nullptr;
    };
    OpenedModule OpenModule() {
        OpenedModule opened;
        std::string error;
        opened.handle = sim::SharedModule::Open(
            folder.PathOf(std::string("addons/travik") + sim::kModuleExtension), error);
        if (!opened.handle) {
            ADD_FAILURE() << error;
            return opened;
        }
        opened.factory = reinterpret_cast<CreateInterfaceFn>(
            sim::SharedModule::Symbol(opened.handle, "CreateInterface"));
        if (opened.factory) {
            opened.plugin = static_cast<IServerPluginCallbacks*>(
                opened.factory(INTERFACEVERSION_ISERVERPLUGINCALLBACKS, nullptr));
        }
        return opened;
    }
};

TEST_F(TravikLoadFeature, LoadsThroughItsDescriptionFileAndSaysSo) {
    InstallTravik();
    StartServer();
    ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    const std::string& text = ConsoleText();
    const size_t attempt = text.find("[Travik] Attempting to load plugin\n");
    const size_t game = text.find("[Travik] Game: \"Counter-Strike: Source\"\n");
    const size_t loaded = text.find("[Travik] Plugin Successfully Loaded!\n");
    ASSERT_NE(attempt, std::string::npos);
    ASSERT_NE(game, std::string::npos);
    ASSERT_NE(loaded, std::string::npos);
    EXPECT_LT(attempt, game);
    EXPECT_LT(game, loaded);

    ClearConsole();
    Console("plugin_print");
    EXPECT_TRUE(ConsoleHas("\"Travik Server Plugin [4.6Beta]\"")) << ConsoleText();
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");
}

TEST_F(TravikLoadFeature, VariablesExistWithTheirDefaultsFlagsAndBounds) {
    InstallTravik();
    StartServer();
    struct Expected {
        const char* name;
        const char* value;
        int flags;
        bool hasMin;
        float min;
        bool hasMax;
        float max;
    };
    const Expected expected[] = {
        {"tk_version", "4.6Beta", FCVAR_NOTIFY | FCVAR_CHEAT, false, 0, false, 0},
        {"tk_active", "1", 0, true, 0, true, 1},
        {"tk_status", "1", FCVAR_NOTIFY | FCVAR_CHEAT, true, 0, false, 0},
        {"tk_warmode", "0", 0, true, 0, true, 1},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        ConVar* var = FindVar(e.name);
        ASSERT_NE(var, nullptr);
        EXPECT_STREQ(var->GetString(), e.value);
        EXPECT_EQ(var->GetFlags() & ~FCVAR_UNREGISTERED, e.flags);
        EXPECT_EQ(var->HasMin(), e.hasMin);
        EXPECT_EQ(var->HasMax(), e.hasMax);
        if (e.hasMin) {
            EXPECT_EQ(var->GetMinValue(), e.min);
        }
        if (e.hasMax) {
            EXPECT_EQ(var->GetMaxValue(), e.max);
        }
    }
}

TEST_F(TravikLoadFeature, RunsItsConfigurationFileAfterLoading) {
    InstallTravik();
    WriteConfig("tk_warmode 1\n");
    StartServer();
    EXPECT_EQ(Var("tk_warmode"), "1");
    EXPECT_EQ(Var("sv_tags"), "travik,tk_warmode,sv_pure2");
}

TEST_F(TravikLoadFeature, RefusesALevelThatIsAlreadyRunning) {
    InstallModule();
    StartServer();
    server->RunTicks(3);
    LoadByCommand();
    ExpectRefused("[Travik] This plugin must be loaded when you start the server (Unloading)\n");
}

class TravikLoadOtherGameFeature : public TravikLoadFeature,
                                   public ::testing::WithParamInterface<const char*> {};

TEST_P(TravikLoadOtherGameFeature, IsRefusedAfterTheGameLine) {
    InstallModule();
    StartIdleServer();
    server->Game().Sim()->SetGameDescription(GetParam());
    LoadByCommand();
    EXPECT_TRUE(ConsoleHas(std::string("[Travik] Game: \"") + GetParam() + "\"\n"));
    ExpectRefused(
        "[Travik] Does not support this game/mod currently\nPlease contact the development "
        "team at the Travik site\n");
}

INSTANTIATE_TEST_SUITE_P(TravikLoad, TravikLoadOtherGameFeature,
                         ::testing::Values("Counter-Strike: Source ", "counter-strike: source",
                                           "Counter-Strike", "Day of Defeat: Source"));

TEST_F(TravikLoadFeature, RefusesATickRateOtherThan66) {
    InstallTravik();
    StartServer("-tickrate 100 +map de_dust2");
    ExpectRefused(
        "[Travik] This server has been modified in a way which is not supported (Unloading)\n");
}

TEST_F(TravikLoadFeature, Accepts66Point67TicksAs66) {
    InstallTravik();
    StartServer("-tickrate 66.67 +map de_dust2");
    EXPECT_TRUE(ConsoleHas("[Travik] Plugin Successfully Loaded!\n")) << ConsoleText();
}

TEST_F(TravikLoadFeature, RefusesAServerWithoutOneOfItsServerVariables) {
    InstallModule();
    StartIdleServer();
    server->Cvar().UnregisterConCommand(FindVar("sv_pausable"));
    ASSERT_EQ(FindVar("sv_pausable"), nullptr);
    LoadByCommand();
    ExpectRefused(
        "[Travik] Unable to locate all server cvars! (Unloading)\nYour server must be up-to-date "
        "to run this plugin\nif it is, then the plugin itself may be out-of-date\n");
}

TEST_F(TravikLoadFeature, DoesNotNeedTvDelay) {
    InstallModule();
    StartIdleServer();
    server->Cvar().UnregisterConCommand(FindVar("tv_delay"));
    LoadByCommand();
    EXPECT_TRUE(ConsoleHas("[Travik] Plugin Successfully Loaded!\n")) << ConsoleText();
}

TEST_F(TravikLoadFeature, ASecondLoadIsRefusedAndItsUnloadLeavesTheFirstWorking) {
    InstallTravik();
    StartServer("");
    ASSERT_EQ(server->Plugins().Count(), 1);
    Console("tk_warmode 1");
    LoadByCommand();
    EXPECT_TRUE(ConsoleHas("[Travik] Multiple loads detected! (Unloading)\n"));
    EXPECT_TRUE(
        ConsoleHas("Travik: Unloaded a secondary instance of the plugin.\nIf you have more than "
                   "one \"travik.vdf\" in your server addons directory, please delete them!\n"));
    EXPECT_FALSE(ConsoleHas("Travik: Plugin UNLOADED!"));
    ASSERT_EQ(server->Plugins().Count(), 1);
    // The first instance kept its variables, its state and its tags.
    EXPECT_EQ(Var("tk_warmode"), "1");
    EXPECT_EQ(Var("sv_tags"), "travik,tk_warmode");
    Console("tk_warmode 0");
    EXPECT_EQ(Var("sv_tags"), "travik");
    // And its unload is the real one.
    Console("plugin_unload 0");
    EXPECT_TRUE(ConsoleHas("Travik: Plugin UNLOADED!\n"));
    EXPECT_FALSE(AnyTravikVariable());
}

// The host's variables as a refused load must leave them: values and flags.
using HostVariables = std::map<std::string, std::pair<std::string, int>>;

HostVariables HostVariablesOf(sim::Server& server) {
    HostVariables all;
    for (ConCommandBase* entry = server.Cvar().GetCommands(); entry; entry = entry->GetNext()) {
        if (!entry->IsCommand()) {
            const auto* var = static_cast<ConVar*>(entry);
            all[var->GetName()] = {var->GetString(), var->GetFlags()};
        }
    }
    return all;
}

// The names whose value or flags differ between the two.
std::string Differences(const HostVariables& a, const HostVariables& b) {
    std::string names;
    for (const auto& [name, state] : a) {
        const auto other = b.find(name);
        if (other == b.end() || other->second != state) {
            names += name + " ";
        }
    }
    return names + (a.size() == b.size() ? "" : "(and the count)");
}

// The variables whose change callback lies in the module of `symbol`.
std::string CallbacksInto(sim::Server& server, const void* symbol) {
    const void* module = sim::SharedModule::BaseOf(symbol);
    if (!module) {
        return "?";
    }
    std::string names;
    for (ConCommandBase* entry = server.Cvar().GetCommands(); entry; entry = entry->GetNext()) {
        if (entry->IsCommand()) {
            continue;
        }
        const auto* var = static_cast<ConVar*>(entry);
        if (var->GetChangeCallback() && sim::SharedModule::BaseOf(reinterpret_cast<const void*>(
                                            var->GetChangeCallback())) == module) {
            names += std::string(var->GetName()) + " ";
        }
    }
    return names;
}

// A host may release a refused module without calling Unload: the load was
// refused after it had hooked the server variables, forced the locks and
// adjusted flags, and must have undone all of it itself.
TEST_F(TravikLoadFeature, ARefusedLoadGivesTheHostBackEverythingWithoutUnload) {
    InstallModule();
    StartServer("-tickrate 100");
    Console("sv_maxcmdrate 100");
    Console("sv_cheats 1");
    const HostVariables before = HostVariablesOf(*server);
    const OpenedModule module = OpenModule();
    ASSERT_NE(module.factory, nullptr);
    ASSERT_NE(module.plugin, nullptr);
    IServerPluginCallbacks* plugin = module.plugin;

    EXPECT_FALSE(plugin->Load(&sim::Server::EngineFactory, server->Game().Factory()));
    ASSERT_TRUE(
        ConsoleHas("[Travik] This server has been modified in a way which is not "
                   "supported (Unloading)\n"));
    EXPECT_EQ(CallbacksInto(*server, reinterpret_cast<const void*>(module.factory)), "");
    EXPECT_EQ(Differences(HostVariablesOf(*server), before), "");
    sim::SharedModule::Close(module.handle);
    ClearConsole();
    // None of these may reach code of the released module.
    Console("sv_cheats 0");
    Console("sv_lan 1");
    Console("sv_maxcmdrate 101");
    EXPECT_EQ(Var("sv_maxcmdrate"), "101");
    EXPECT_FALSE(ConsoleHas("Travik"));
}

// Nothing of the plug-in ran, so players hear nothing of its end.
TEST_F(TravikLoadFeature, ARefusedLoadDuringAMapTellsThePlayersNothing) {
    InstallModule();
    StartServer();
    server->RunTicks(3);
    sim::Client& alice = Connect("alice");
    alice.GetInbox().Clear();
    LoadByCommand();
    ExpectRefused("[Travik] This plugin must be loaded when you start the server (Unloading)\n");
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Hint).empty());
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Chat).empty());
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Menu).empty());
    EXPECT_FALSE(ConsoleHas("Travik: Plugin UNLOADED!"));
}

// travik.cfg runs before the first level: there is no map to reload.
TEST_F(TravikLoadFeature, WarModeInTheConfigurationFileNeedsNoLevelChange) {
    InstallTravik();
    WriteConfig("tk_warmode 1\n");
    StartServer();
    EXPECT_FALSE(ConsoleHas("changelevel")) << ConsoleText();
    EXPECT_TRUE(server->IsLevelRunning());
    EXPECT_EQ(Var("sv_tags"), "travik,tk_warmode,sv_pure2");
}

// A console line that removes everybody and then unloads the plug-in: the
// removal must not run the rest of the line while plug-in code is still
// on the stack.
class TravikLoadRemovalThenUnloadFeature : public TravikLoadFeature,
                                           public ::testing::WithParamInterface<const char*> {};

TEST_P(TravikLoadRemovalThenUnloadFeature, LeavesTheServerRunning) {
    InstallTravik();
    StartServer();
    sim::Client& alice = Connect("alice");
    Console(std::string(GetParam()) + "; plugin_unload 0");
    EXPECT_EQ(server->Plugins().Count(), 0);
    EXPECT_TRUE(ConsoleHas("Travik: Plugin UNLOADED!\n"));
    EXPECT_FALSE(alice.IsConnected());
    EXPECT_TRUE(server->HasPendingLevelChange());
    server->RunTicks(2);
    EXPECT_TRUE(server->IsLevelRunning());
    EXPECT_FALSE(AnyTravikVariable());
}

INSTANTIATE_TEST_SUITE_P(TravikLoad, TravikLoadRemovalThenUnloadFeature,
                         ::testing::Values("tk_warmode 1", "tk_active 0; tk_active 1",
                                           "sv_cheats 1; sv_cheats 0", "sv_pure 1",
                                           "plugin_pause 0"));

// A host whose engine or game lacks one interface: the test drives the
// module itself, as the host would, through factories that hide it.
struct MissingInterface {
    const char* version;
    const char* message;
};

void PrintTo(const MissingInterface& missing, std::ostream* out) {
    *out << missing.version;
}

const char* s_hiddenVersion = nullptr;
CreateInterfaceFn s_gameFactory = nullptr;

void* Hidden(CreateInterfaceFn factory, const char* name, int* returnCode) {
    if (std::strcmp(name, s_hiddenVersion) == 0) {
        if (returnCode) {
            *returnCode = IFACE_FAILED;
        }
        return nullptr;
    }
    return factory(name, returnCode);
}

void* EngineWithoutOne(const char* name, int* returnCode) {
    return Hidden(&sim::Server::EngineFactory, name, returnCode);
}

void* GameWithoutOne(const char* name, int* returnCode) {
    return Hidden(s_gameFactory, name, returnCode);
}

class TravikLoadMissingInterfaceFeature : public TravikLoadFeature,
                                          public ::testing::WithParamInterface<MissingInterface> {};

TEST_P(TravikLoadMissingInterfaceFeature, IsRefusedWithItsMessage) {
    InstallModule();
    StartIdleServer();
    const OpenedModule module = OpenModule();
    ASSERT_NE(module.factory, nullptr);
    ASSERT_NE(module.plugin, nullptr);
    IServerPluginCallbacks* plugin = module.plugin;
    s_hiddenVersion = GetParam().version;
    s_gameFactory = server->Game().Factory();

    EXPECT_FALSE(plugin->Load(&EngineWithoutOne, &GameWithoutOne));
    EXPECT_TRUE(ConsoleHas(GetParam().message)) << ConsoleText();
    EXPECT_FALSE(ConsoleHas("[Travik] Plugin Successfully Loaded!"));
    plugin->Unload();
    sim::SharedModule::Close(module.handle);
    EXPECT_FALSE(AnyTravikVariable());
}

constexpr const char* kNotAll = "[Travik] Failure to retrieve all interfaces! (Unloading)\n";

INSTANTIATE_TEST_SUITE_P(
    TravikLoad, TravikLoadMissingInterfaceFeature,
    ::testing::Values(
        MissingInterface{"VEngineServer021", "[Travik] Failure retrieving engine interface\n"},
        MissingInterface{"VEngineCvar004", "[Travik] Failure retrieving cvar interface\n"},
        MissingInterface{"VFileSystem017", "[Travik] Failure retrieving filesystem interface\n"},
        MissingInterface{"ServerGameDLL006", kNotAll},
        MissingInterface{"PlayerInfoManager002", kNotAll},
        MissingInterface{"GameMovement001", kNotAll}, MissingInterface{"VoiceServer002", kNotAll},
        MissingInterface{"VEngineServerStringTable001", kNotAll}),
    [](const ::testing::TestParamInfo<MissingInterface>& info) {
        return std::string(info.param.version);
    });

TEST_F(TravikLoadFeature, UnloadTellsThePlayersAndGivesTheHostBackItsVariablesAndTags) {
    InstallTravik();
    StartServer();
    Console("tk_warmode 1");
    sim::Client& alice = Connect("alice");
    Console("sv_tags \"custom,travik,tk_warmode,other\"");
    alice.GetInbox().Clear();

    Console("plugin_unload 0");
    EXPECT_TRUE(ConsoleHas("Travik: Plugin UNLOADED!\n"));
    EXPECT_FALSE(AnyTravikVariable());
    EXPECT_EQ(Var("sv_tags"), "custom,other");

    const sim::Inbox& inbox = alice.GetInbox();
    const auto hints = inbox.OfKind(sim::InboxKind::Hint);
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0]->text, "TRAVIK HAS BEEN DISABLED");
    const auto chat = inbox.OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 3u);
    for (const sim::InboxEntry* line : chat) {
        EXPECT_EQ(line->text, "\x03Travik:\x04 WARNING Travik has been deactivated!\n");
        EXPECT_EQ(line->sender, 0);
    }
    const auto menus = inbox.OfKind(sim::InboxKind::Menu);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0]->text, "[Travik] Has been disabled (unloaded)\n");
    EXPECT_EQ(menus[0]->displayTime, 6);
    EXPECT_EQ(menus[0]->keys, 0xFFFF);
}

TEST_F(TravikLoadFeature, AfterUnloadSvCheatsNoLongerReachesThePlugin) {
    InstallTravik();
    StartServer();
    sim::Client& alice = Connect("alice");
    Console("sv_cheats 1");
    Console("plugin_unload 0");
    alice.GetInbox().Clear();
    ClearConsole();
    // Its change callback would now run code of an unloaded module.
    Console("sv_cheats 0");
    EXPECT_EQ(Var("sv_cheats"), "0");
    EXPECT_FALSE(ConsoleHas("Travik"));
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Chat).empty());
}

TEST_F(TravikLoadFeature, AReloadStartsWithFreshState) {
    InstallTravik();
    StartServer("");
    Console("tk_warmode 1");
    Console("tk_active 0");
    ASSERT_EQ(Var("tk_status"), "0");
    Console("plugin_unload 0");
    ClearConsole();
    Console("plugin_load addons/travik");
    ASSERT_TRUE(ConsoleHas("[Travik] Plugin Successfully Loaded!\n")) << ConsoleText();
    EXPECT_EQ(Var("tk_active"), "1");
    EXPECT_EQ(Var("tk_status"), "1");
    EXPECT_EQ(Var("tk_warmode"), "0");
    EXPECT_EQ(Var("sv_tags"), "travik");
}

// Real players only: bots and SourceTV stay.
TEST_F(TravikLoadFeature, PauseAndUnpauseRemoveThePlayersAndReloadTheMap) {
    InstallTravik();
    StartServer();
    sim::Client& bot = AddBot("bot");
    sim::Client& tv = server->Clients().AddFakeClient("SourceTV", sim::ClientKind::SourceTV);
    struct Step {
        const char* command;
        const char* logged;
        const char* told;
        const char* reason;
    };
    const Step steps[] = {
        {"plugin_pause 0", "Travik: Plugin PAUSED!\n",
         "\x03Travik:\x04 Plugin Paused! Removing All Players\n",
         "Kicked by Console : Travik WARNING, Plugin Paused!"},
        {"plugin_unpause 0", "Travik: Plugin UNPAUSED!\n",
         "\x03Travik:\x04 Plugin Unpaused! Removing All Players\n",
         "Kicked by Console : Travik WARNING, Plugin Unpaused!"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        sim::Client& alice = Connect("alice");
        alice.GetInbox().Clear();
        Console(step.command);
        EXPECT_TRUE(ConsoleHas(step.logged));
        EXPECT_EQ(ChatOf(alice), std::vector<std::string>{step.told});
        EXPECT_EQ(alice.DisconnectReason(), step.reason);
        EXPECT_TRUE(bot.IsConnected());
        EXPECT_TRUE(tv.IsConnected());
        EXPECT_TRUE(server->HasPendingLevelChange());
        server->RunTicks(1);
    }
}

}  // namespace
