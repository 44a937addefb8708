// The active switch, war mode, the read-only status and version, and the
// reactions to sv_cheats, as the host and its players see them.
#include <tier1/convar.h>

#include "TravikServerTest.h"

namespace {

class TravikStateFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Connect("alice");
        alice->GetInbox().Clear();
        ClearConsole();
    }

    // Alice again, after a change that removed everybody.
    void Rejoin() {
        alice = &Connect("alice");
        alice->GetInbox().Clear();
    }

    std::vector<std::string> AliceChat() const { return ChatOf(*alice); }

    sim::Client* alice = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(TravikStateFeature, SwitchingOffPublishesZeroDropsTheTagsAndKicksNobody) {
    Console("tk_warmode 1");
    Rejoin();
    Console("tk_active 0");
    EXPECT_EQ(Var("tk_status"), "0");
    EXPECT_EQ(Var("sv_tags"), "");
    EXPECT_TRUE(alice->IsActive());
    EXPECT_TRUE(AliceChat().empty());
    // Logged, not echoed.
    EXPECT_NE(ReadLog("travik.log").find("tk_active changed now \"0\"\n"), std::string::npos);
    EXPECT_FALSE(ConsoleHas("tk_active changed"));
}

TEST_F(TravikStateFeature, SwitchingBackOnRemovesThePlayersAndRestoresStatusAndTags) {
    Console("tk_warmode 1");
    Console("tk_active 0");
    Rejoin();
    sim::Client& bot = server->Clients().AddFakeClient("bot", sim::ClientKind::Bot);
    Console("tk_active 1");
    EXPECT_EQ(Var("tk_status"), "1");
    EXPECT_EQ(Var("sv_tags"), "travik,tk_warmode,sv_pure2");
    EXPECT_EQ(AliceChat(), Lines{"\x03Travik:\x04 Active Mode, Removing All Players!\n"});
    EXPECT_EQ(alice->DisconnectReason(),
              "Kicked by Console : Travik is now active, retry your connection to the server");
    EXPECT_TRUE(bot.IsConnected());
    EXPECT_TRUE(server->HasPendingLevelChange());
    const std::string log = ReadLog("travik.log");
    EXPECT_NE(log.find("tk_active changed now \"1\"\n"), std::string::npos);
    EXPECT_NE(log.find("Travik: tk_active 1, Removing all players\n"), std::string::npos);
    EXPECT_FALSE(ConsoleHas("Removing all players"));
}

// The map comes back by its whole name, as one argument: a ';' in it starts
// no second command.
TEST_F(TravikStateFeature, TheMapIsReloadedByItsWholeName) {
    std::string bsp;
    ASSERT_TRUE(folder.ReadFile("maps/de_dust2.bsp", bsp));
    ASSERT_TRUE(folder.WriteFile("maps/x;quit b.bsp", bsp));
    Console("changelevel \"x;quit b\"");
    server->RunSeconds(1.0);
    ASSERT_EQ(server->MapName(), "x;quit b");
    Rejoin();
    Console("tk_warmode 1");
    EXPECT_TRUE(server->HasPendingLevelChange()) << ConsoleText();
    server->RunSeconds(1.0);
    EXPECT_TRUE(server->IsUp());
    EXPECT_FALSE(server->QuitRequested());
    EXPECT_EQ(server->MapName(), "x;quit b");
    EXPECT_EQ(alice->DisconnectReason(),
              "Kicked by Console : tk_warmode changed, retry your connection to the server");
}

// A name too long for the command line would reach the server cut short,
// naming another map or none: the map stays, and the console says why.
TEST_F(TravikStateFeature, AMapWhoseNameDoesNotFitTheLineIsNotReloaded) {
    const std::string name(120, 'm');
    std::string bsp;
    ASSERT_TRUE(folder.ReadFile("maps/de_dust2.bsp", bsp));
    ASSERT_TRUE(folder.WriteFile("maps/" + name + ".bsp", bsp));
    Console("changelevel " + name);
    server->RunSeconds(1.0);
    ASSERT_EQ(server->MapName(), name);
    Rejoin();
    Console("tk_warmode 1");
    EXPECT_FALSE(alice->IsConnected()) << "the players go all the same";
    EXPECT_FALSE(server->HasPendingLevelChange());
    EXPECT_TRUE(ConsoleHas(
        "[Travik] The map cannot be reloaded: its name cannot be passed to changelevel\n"));
}

TEST_F(TravikStateFeature, StatusCannotBeSetByAnOperator) {
    Console("tk_status 5");
    EXPECT_EQ(Var("tk_status"), "1");
    Console("tk_status 1.5");
    EXPECT_EQ(Var("tk_status"), "1");
    Console("tk_active 0");
    Console("tk_status 5");
    EXPECT_EQ(Var("tk_status"), "0");
}

TEST_F(TravikStateFeature, VersionCannotBeSetByAnOperator) {
    Console("tk_version 9.9");
    EXPECT_EQ(Var("tk_version"), "4.6Beta");
    Console("tk_version \"\"");
    EXPECT_EQ(Var("tk_version"), "4.6Beta");
}

TEST_F(TravikStateFeature, WarModeChangesRemoveThePlayersAndFollowTheTag) {
    const std::string line = "\x03Travik:\x04 War Mode changed, Removing all players\n";
    const std::string kicked =
        "Kicked by Console : tk_warmode changed, retry your connection to the server";
    Console("tk_warmode 1");
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2,tk_warmode");
    EXPECT_EQ(AliceChat(), Lines{line});
    EXPECT_EQ(alice->DisconnectReason(), kicked);
    Rejoin();
    Console("tk_warmode 1");  // its present value: nobody is bothered
    EXPECT_TRUE(alice->IsActive());
    Console("tk_warmode 0");
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");
    EXPECT_EQ(AliceChat(), Lines{line});
    EXPECT_EQ(alice->DisconnectReason(), kicked);
    EXPECT_EQ(CountOf(ReadLog("travik.log"), "Travik: tk_warmode changed, Removing all players\n"),
              2);
    EXPECT_FALSE(ConsoleHas("tk_warmode changed"));
}

// A text that leaves the mode as it was is no change: "0.0", "" and the
// bound printed in full are all off, as "1.0" and a clamped "2" are on.
TEST_F(TravikStateFeature, WarModeTextsThatKeepTheModeRemoveNobody) {
    for (const char* text : {"0.0", "\"\"", "0.000000", "-0", "0"}) {
        Console(std::string("tk_warmode ") + text);
        EXPECT_TRUE(alice->IsActive()) << text;
    }
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");
    Console("tk_warmode 2");
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2,tk_warmode");
    EXPECT_FALSE(alice->IsConnected());
    server->RunTicks(2);
    Rejoin();
    for (const char* text : {"1.0", "1", "5"}) {
        Console(std::string("tk_warmode ") + text);
        EXPECT_TRUE(alice->IsActive()) << text;
    }
    EXPECT_TRUE(AliceChat().empty());
    // However the host reads "nan", players go exactly when the mode changes.
    Console("tk_warmode 0");
    server->RunTicks(2);
    Rejoin();
    Console("tk_warmode nan");
    const bool warMode = Var("sv_tags").find("tk_warmode") != std::string::npos;
    EXPECT_EQ(alice->IsConnected(), !warMode);
}

// Every real player goes: none is passed over while the one before him is
// being removed, whatever removes them all.
TEST_F(TravikStateFeature, RemovingEverybodyRemovesEveryRealPlayer) {
    for (const char* line : {"tk_active 0; tk_active 1", "tk_warmode 1", "sv_cheats 1; sv_cheats 0",
                             "plugin_pause 0", "plugin_unpause 0"}) {
        SCOPED_TRACE(line);
        std::vector<sim::Client*> players{alice};
        for (const char* name : {"bob", "carol", "dave", "erin"}) {
            players.push_back(&Connect(name));
        }
        Console(line);
        for (const sim::Client* player : players) {
            EXPECT_FALSE(player->IsConnected()) << player->Name();
        }
        server->RunTicks(2);
        EXPECT_TRUE(server->Clients().Connected().empty());
        Rejoin();
    }
}

TEST_F(TravikStateFeature, WarModeChangesWhileInactiveWaitForActivation) {
    Console("tk_active 0");
    Console("tk_warmode 1");
    EXPECT_TRUE(AliceChat().empty());
    EXPECT_EQ(Var("sv_tags"), "");
    Console("tk_active 1");
    EXPECT_EQ(Var("sv_tags"), "travik,tk_warmode,sv_pure2");
}

TEST_F(TravikStateFeature, CheatsSwitchedOffRemovesPlayersAndImpacts) {
    Console("sv_cheats 1");
    Console("sv_showimpacts 1");
    EXPECT_TRUE(AliceChat().empty()) << "switching cheats on is not the plug-in's concern";
    Console("sv_cheats 0");
    EXPECT_EQ(AliceChat(),
              Lines{"\x03Travik:\x04 sv_cheats changed - now Disabled, Removing all players\n"});
    EXPECT_EQ(alice->DisconnectReason(),
              "Kicked by Console : sv_cheats is now disabled, retry your connection to the server");
    server->RunTicks(1);
    EXPECT_EQ(Var("sv_showimpacts"), "0");
    EXPECT_NE(ReadLog("travik.log").find("Travik: sv_cheats 1->0, Removing all players\n"),
              std::string::npos);
}

TEST_F(TravikStateFeature, CheatsLeftOffOrChangedWhileInactiveAreIgnored) {
    Console("sv_cheats 0");
    Console("tk_active 0");
    Console("sv_cheats 1");
    Console("sv_cheats 0");
    EXPECT_TRUE(AliceChat().empty());
    EXPECT_TRUE(alice->IsActive());
}

TEST_F(TravikStateFeature, HostVariablesAreHiddenOrAnnounced) {
    const ConVar* coop = FindVar("coop");
    ASSERT_NE(coop, nullptr);
    EXPECT_FALSE(coop->IsFlagSet(FCVAR_NOTIFY | FCVAR_REPLICATED | FCVAR_SPONLY));
    for (const char* name : {"sv_consistency", "tv_delay", "host_framerate", "sv_minrate",
                             "sv_maxrate", "sv_mincmdrate", "sv_maxupdaterate"}) {
        const ConVar* var = FindVar(name);
        ASSERT_NE(var, nullptr) << name;
        EXPECT_TRUE(var->IsFlagSet(FCVAR_NOTIFY)) << name;
    }
}

}  // namespace
