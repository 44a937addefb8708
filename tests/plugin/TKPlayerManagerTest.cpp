// Joining players as the player manager handles them on srcds-sim: the
// wait for Steam validation, admission with its welcome text, war mode's
// announcement and warnings, and the interpolation checks.
#include <string>

#include "TravikServerTest.h"

namespace {

const std::string kCrossLine = "==============================================================\n";
const std::string kWelcome =
    "\n" + kCrossLine +
    "This server is protected by Travik 4.6Beta Server Plugin\n\nRecognised Console Commands: "
    "'tk_status' / 'tk_netinfo' / 'tk_players' / 'tk_warnings' / 'tk_teamcash'\n\nServer "
    "Tickrate: 66\n\nTravik WarMode: ";
const std::string kTimeOut = "Kicked by Console : Travik - STEAM Auth Timeout, Restart Steam";

class TKPlayerManagerFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
    }

    sim::Client& Join(const std::string& name, double validateAfter,
                      const std::string& steamId = "") {
        return Connect(name, [&](sim::ClientSpec& spec) {
            spec.validateAfter = validateAfter;
            spec.steamId = steamId;
        });
    }

    sim::Client& JoinWithInterp(const std::string& name, const std::string& interp) {
        return Connect(name, [&](sim::ClientSpec& spec) { spec.cvars["cl_interp"] = interp; });
    }

    // Checked at the next frame, carried out at the one after.
    void Settle() { server->RunTicks(2); }

    void SetInterp(sim::Client& client, const std::string& interp) {
        server->Clients().SetSetting(client, "cl_interp", interp);
        Settle();
    }

    static bool Welcomed(const sim::Client& client) {
        return ClientConsole(client).find(kWelcome) != std::string::npos;
    }

    void EnterWarMode() {
        Console("tk_warmode 1");
        server->RunTicks(1);  // the map reloads
    }

    void RestartRound() {
        Console("mp_restartgame 1");
        server->RunSeconds(1.5);
    }
};

TEST_F(TKPlayerManagerFeature, AValidatedPlayerIsWelcomedWithTheServerStatus) {
    sim::Client& alice = Join("alice", 1.0);
    server->RunSeconds(0.8);
    EXPECT_FALSE(Welcomed(alice));
    server->RunSeconds(0.6);
    const std::string& console = ClientConsole(alice);
    ASSERT_EQ(console.find(kWelcome), 0u) << console;
    EXPECT_NE(console.find("DISABLED\n\nTravik Status (1): Ok\n"), std::string::npos);
    EXPECT_EQ(console.substr(console.size() - kCrossLine.size() - 1), kCrossLine + "\n");
    // Outside war mode nobody is announced and no warnings are shown.
    EXPECT_TRUE(ChatOf(alice).empty());
    EXPECT_TRUE(alice.GetInbox().OfKind(sim::InboxKind::Menu).empty());
}

// A line break in a name would start a line of the name's own making under
// the plug-in's colours: the announcement shows the name without it.
TEST_F(TKPlayerManagerFeature, AnAnnouncedNameLosesItsControlBytes) {
    EnterWarMode();
    sim::Client& bob = Join("bob", 0);
    server->RunTicks(1);
    // \x05 and the letter after it, kept apart from the escape.
    const std::string name = std::string("eve\n\x05") + "Console: bob is banned";
    Join(name, 0, "STEAM_0:1:4242");
    bob.GetInbox().Clear();
    server->RunTicks(1);
    EXPECT_EQ(ChatOf(bob), std::vector<std::string>{"\x03Travik 4.6Beta [\x04 eveConsole: bob is "
                                                    "banned - 0:1:4242 \x03]\n"});
}

TEST_F(TKPlayerManagerFeature, InWarModeAdmissionAnnouncesThePlayerAndShowsTheWarnings) {
    EnterWarMode();
    Console("sv_cheats 1");  // a critical issue for the warnings
    sim::Client& bob = Join("bob", 0);
    server->RunTicks(1);
    sim::Client& alice = Join("alice", 0, "STEAM_0:1:4242");
    bob.GetInbox().Clear();
    server->RunTicks(1);
    EXPECT_EQ(ChatOf(bob),
              std::vector<std::string>{"\x03Travik 4.6Beta [\x04 alice - 0:1:4242 \x03]\n"});
    const std::vector<std::string> chat = ChatOf(alice);
    ASSERT_EQ(chat.size(), 2u);
    EXPECT_EQ(chat[0], "\x03Travik 4.6Beta [\x04 alice - 0:1:4242 \x03]\n");
    EXPECT_EQ(chat[1], "\x03WARNING: Travik reported a critical issue! [\x01tk_warnings\x03]\n");
    const std::string& console = ClientConsole(alice);
    const std::string warnings =
        "\n[Travik] tk_warnings output:\nCritical Warnings:\n-sv_cheats is active\n \n";
    ASSERT_NE(console.find(warnings), std::string::npos) << console;
    EXPECT_EQ(console.find(kWelcome), console.find(warnings) + warnings.size());
    const auto menus = alice.GetInbox().OfKind(sim::InboxKind::Menu);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(
        menus[0]->text,
        "->1.This server is protected by:\nTravik Server Plugin [4.6Beta]\n \n->2.Configuration "
        "issues identified\nReview \"tk_warnings\"\n \n->3.Console Commands:\ntk_warnings (Show "
        "Warning Information)\ntk_netinfo (View Rates)\n");
    EXPECT_EQ(menus[0]->keys, 0xFFFF);
    EXPECT_EQ(menus[0]->displayTime, 10);
}

// A LAN ID proves nothing on an internet server.
TEST_F(TKPlayerManagerFeature, PlayersWithoutASteamIdAreRemovedAfterTwentySeconds) {
    sim::Client& bob = Join("bob", 0);
    sim::Client& alice = Join("alice", -1);
    sim::Client& lan = Join("lan", 0, "STEAM_ID_LAN");
    server->RunSeconds(19.8);
    EXPECT_TRUE(alice.IsActive());
    EXPECT_TRUE(lan.IsActive());
    EXPECT_FALSE(Welcomed(alice));
    server->RunSeconds(0.6);
    EXPECT_EQ(alice.DisconnectReason(), kTimeOut);
    EXPECT_EQ(lan.DisconnectReason(), kTimeOut);
    const std::string line = "\x03Travik:\x04 Removing [ alice ] No STEAM Auth\n";
    EXPECT_EQ(CountOf(ReadLog("travik.log"), line), 1);
    EXPECT_EQ(ChatOf(bob),
              (std::vector<std::string>{line, "\x03Travik:\x04 Removing [ lan ] No STEAM Auth\n"}));
}

// On a LAN server the LAN ID is all there is; an inactive plug-in holds
// nobody at all.
TEST_F(TKPlayerManagerFeature, LanIdsOnLanServersAndInactivePluginsAreNotHeld) {
    Console("sv_lan 1");
    sim::Client& alice = Join("alice", -1);
    ASSERT_STREQ(alice.NetworkId(), "STEAM_ID_LAN");
    server->RunTicks(1);
    EXPECT_TRUE(Welcomed(alice));
    Console("tk_active 0");
    sim::Client& bob = Join("bob", -1);
    server->RunSeconds(21);
    EXPECT_TRUE(alice.IsActive());
    EXPECT_TRUE(bob.IsActive());
    EXPECT_FALSE(Welcomed(bob));
}

// A living player may only lower it; the dead and spectators may raise it,
// and the raised value is what later changes are held to.
TEST_F(TKPlayerManagerFeature, RaisingInterpolationIsForbiddenOnlyWhilePlaying) {
    sim::Client& alice = JoinWithInterp("alice", "0.05");
    sim::Client& bob = JoinWithInterp("bob", "0.05");
    ClientLine(alice, "jointeam 2");
    ClientLine(bob, "jointeam 3");
    Settle();
    ASSERT_TRUE(server->Game().Sim()->IsAlive(alice.EntityIndex()));

    SetInterp(alice, "0.04");
    EXPECT_TRUE(alice.IsActive());
    SetInterp(alice, "0.08");
    EXPECT_EQ(alice.DisconnectReason(),
              "Kicked by Console : [Travik] Increasing cl_interp whilst playing is forbidden");

    server->Game().Sim()->Kill(bob.EntityIndex());
    SetInterp(bob, "0.09");
    EXPECT_TRUE(bob.IsActive());
    RestartRound();
    ASSERT_TRUE(server->Game().Sim()->IsAlive(bob.EntityIndex()));
    SetInterp(bob, "0.085");
    EXPECT_TRUE(bob.IsActive());
    SetInterp(bob, "0.095");
    EXPECT_FALSE(bob.IsActive());
}

// The reasons keep the double quotes of "cl_interp" as the plug-in writes
// them; a value of exactly 0.101 is still within the limit.
TEST_F(TKPlayerManagerFeature, InterpolationOutOfRangeIsKicked) {
    const std::string tooHigh =
        "Kicked by Console : [Travik] Please lower your \"cl_interp\" value to play on this "
        "server (0.1 max)";
    sim::Client& high = JoinWithInterp("high", "0.2");
    sim::Client& edge = JoinWithInterp("edge", "0.101");
    Settle();
    EXPECT_EQ(high.DisconnectReason(), tooHigh);
    EXPECT_TRUE(edge.IsActive());

    sim::Client& zero = JoinWithInterp("zero", "0.05");
    Settle();
    SetInterp(zero, "0");
    EXPECT_EQ(zero.DisconnectReason(), "Kicked by Console : [Travik] Invalid interpolation value");

    // The first check of a player holds whether or not the plug-in is active.
    Console("tk_active 0");
    sim::Client& inactive = JoinWithInterp("inactive", "0.3");
    Settle();
    EXPECT_EQ(inactive.DisconnectReason(), tooHigh);
}

}  // namespace
