// The replacements of the host's alias, sv_pure, ent_create and ent_fire, as
// the console, the players and the game's entities see them.
#include <tier1/convar.h>

#include "TravikServerTest.h"

namespace {

const char* const kAliasRefused = "[Travik] Secure warning: Alias could not be applied\n";
const char* const kPureKick =
    "Kicked by Console : sv_pure changed, retry your connection to the server";

class ConCommandHooksFeature : public TravikServerTest {
protected:
    // Without the command budget: a player's forwarded command is counted on
    // the replacement and again on the host's command.
    void SetUp() override {
        InstallTravik();
        WriteConfig("tk_active 1\ntk_antispam_max_cmds_per_sec 0\n");
    }

    void Start() {
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Connect("alice");
        ClearConsole();
    }

    // The command the console resolves the name to, dispatched as the
    // host does for a player's command.
    void DispatchFromAlice(const std::string& line) {
        CCommand args;
        ASSERT_TRUE(args.Tokenize(line.c_str()));
        ConCommand* command = server->Cvar().FindCommand(args[0]);
        ASSERT_NE(command, nullptr);
        server->Commands().DispatchForPlayer(*command, args, alice->EntityIndex() - 1);
    }

    int Entities(const char* className) const {
        return server->Game().Sim()->CountEntities(className);
    }

    sim::Client* alice = nullptr;
};

TEST_F(ConCommandHooksFeature, AliasesOverSensitiveNamesAreRefusedWhateverTheirCase) {
    Start();
    for (const char* name : {"TK_status", "Quit", "rcon_password", "SV_CHEATS"}) {
        ClearConsole();
        Console(std::string("alias ") + name + " \"sv_maxupdaterate 33\"");
        EXPECT_EQ(ConsoleCount(kAliasRefused), 1) << name;
    }
    Console("TK_status");
    EXPECT_NE(Var("sv_maxupdaterate"), "33");
    ClearConsole();
    Console("alias quitter \"sv_maxupdaterate 33\"");
    Console("quitter");
    EXPECT_EQ(Var("sv_maxupdaterate"), "33");
    EXPECT_EQ(ConsoleCount(kAliasRefused), 0);
}

TEST_F(ConCommandHooksFeature, TheAliasFilterWorksWhileInactive) {
    Start();
    Console("tk_active 0");
    ClearConsole();
    Console("alias tk_active \"sv_maxupdaterate 33\"");
    EXPECT_EQ(ConsoleCount(kAliasRefused), 1);
}

TEST_F(ConCommandHooksFeature, PureLevelsAreRecordedTaggedAndEnforcedWhileActive) {
    Start();
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");

    Console("sv_pure 0");
    EXPECT_TRUE(ConsoleHas("[Travik] sv_pure change blocked as Travik is active!\n"));
    EXPECT_FALSE(ConsoleHas("sv_pure set to")) << "the host's command is not called";
    EXPECT_TRUE(alice->IsActive());

    Console("sv_pure 1");
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure1");
    EXPECT_EQ(ChatOf(*alice),
              std::vector<std::string>{"\x03Travik:\x04 sv_pure changed, Removing all players\n"});
    EXPECT_EQ(alice->DisconnectReason(), kPureKick);
    EXPECT_TRUE(ConsoleHas("sv_pure set to 1."));
    EXPECT_NE(ReadLog("travik.log").find("Travik: sv_pure change, Removing all players\n"),
              std::string::npos);
    EXPECT_FALSE(ConsoleHas("Removing all players")) << "logged without echo";

    server->RunTicks(2);  // the map restarts
    ClearConsole();
    sim::Client& bob = Connect("bob");
    Console("sv_pure 1");  // already recorded: only forwarded
    Console("sv_pure 3");
    Console("sv_pure");
    EXPECT_TRUE(bob.IsActive());
    EXPECT_EQ(ConsoleCount("sv_pure set to 1."), 1);
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure1");
}

// What Travik reports is the level the server runs: extra words do not get
// past the block, and a second change on the same line is not overtaken by
// the forwarding of the first.
TEST_F(ConCommandHooksFeature, ThePureLevelReportedIsTheOneTheServerRuns) {
    Start();
    ASSERT_EQ(server->PendingPure(), 2);
    Console("sv_pure 0 x");
    EXPECT_TRUE(ConsoleHas("[Travik] sv_pure change blocked as Travik is active!\n"));
    EXPECT_EQ(server->PendingPure(), 2);
    EXPECT_TRUE(alice->IsActive());

    Console("sv_pure 1; sv_pure 2");
    EXPECT_EQ(alice->DisconnectReason(), kPureKick);
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");
    EXPECT_EQ(server->PendingPure(), 2);
    server->RunTicks(2);
    EXPECT_EQ(server->PureLevel(), 2);

    Console("sv_pure 1 x");
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure1");
    EXPECT_EQ(server->PendingPure(), 1);
}

TEST_F(ConCommandHooksFeature, PureOneIsRefusedInWarModeAndAnythingGoesWhileInactive) {
    Start();
    Console("tk_warmode 1");
    server->RunTicks(2);
    ClearConsole();
    Console("sv_pure 1");
    EXPECT_TRUE(ConsoleHas("[Travik] sv_pure 1 is not available whilst tk_warmode 1!\n"));
    EXPECT_FALSE(ConsoleHas("sv_pure set to"));

    sim::Client& bob = Connect("bob");
    Console("tk_active 0");
    Console("sv_pure 0");
    EXPECT_TRUE(ConsoleHas("sv_pure set to 0."));
    EXPECT_TRUE(bob.IsActive()) << "nobody is kicked while inactive";
}

TEST_F(ConCommandHooksFeature, EntitiesThatRunCommandsAreCreatedOnlyFromTheConsole) {
    Start();
    Console("ent_create logic_timer");
    EXPECT_EQ(Entities("logic_timer"), 1);
    DispatchFromAlice("ent_create logic_timer");
    DispatchFromAlice("ent_create point_servercommand");
    EXPECT_EQ(Entities("logic_timer"), 1);
    EXPECT_EQ(Entities("point_servercommand"), 0);
    DispatchFromAlice("ent_create Logic_Timer");  // names compare case-sensitively
    EXPECT_EQ(Entities("Logic_Timer"), 1);

    DispatchFromAlice("ent_fire logic_timer kill");
    EXPECT_EQ(Entities("logic_timer"), 1) << "a client's ent_fire is dropped";
    Console("ent_fire logic_timer kill");
    EXPECT_EQ(Entities("logic_timer"), 0);

    Console("tk_active 0");
    alice = &Connect("alice2");
    DispatchFromAlice("ent_create point_clientcommand");
    EXPECT_EQ(Entities("point_clientcommand"), 1) << "an inactive plug-in lets it through";
}

// Typed in a client's console: the engine hands a line to the game's command
// only for commands of the game library, as the host's own are.
TEST_F(ConCommandHooksFeature, ClientsReachTheEntityCommandsThroughTheirConsole) {
    Start();
    ClientLine(*alice, "ent_create info_target");
    EXPECT_EQ(Entities("info_target"), 0) << "a cheat command without sv_cheats";
    EXPECT_NE(ClientConsole(*alice).find("Can't use cheat command ent_create"), std::string::npos)
        << ClientConsole(*alice);

    Console("sv_cheats 1");
    ClientLine(*alice, "ent_create info_target;ent_create logic_timer");
    EXPECT_EQ(Entities("info_target"), 1);
    EXPECT_EQ(Entities("logic_timer"), 0);
    ClientLine(*alice, "ent_fire info_target kill");
    EXPECT_EQ(Entities("info_target"), 1) << "a client's ent_fire is dropped while active";

    Console("tk_active 0");
    ClientLine(*alice, "ent_create logic_timer;ent_fire info_target kill");
    EXPECT_EQ(Entities("logic_timer"), 1);
    EXPECT_EQ(Entities("info_target"), 0);
}

}  // namespace
