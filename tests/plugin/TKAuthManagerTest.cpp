// Choosing the auth host (tk_authhost: aliases from the operator's file,
// URLs, "none", quoting), asking everybody again when it changes in war
// mode, tk_players from the console and from a client, and the status line.
#include <cstdio>
#include <string>
#include <vector>

#include "AuthServerTest.h"

namespace {

using testnet::Behaviour;
using testnet::TestHttpServer;

class TKAuthManagerFeature : public AuthServerTest {
protected:
    void WriteHosts(const std::string& text) { folder.WriteFile("cfg/travik_authhosts.txt", text); }
    // The console's text from this line on.
    std::string After(const std::string& line) {
        ClearConsole();
        Console(line);
        return ConsoleText();
    }
};

TEST_F(TKAuthManagerFeature, SettingShowingAndRemovingTheHost) {
    StartWarServer("");
    EXPECT_EQ(After("tk_authhost"), "[Travik] No auth-host is currently configured\n");
    EXPECT_NE(
        After("tk_authhost \"HTTP://League.Example/Auth.php\" second words")
            .find("[Travik] Attempting to set tk_authhost \"HTTP://League.Example/Auth.php\"\n"
                  "[Travik] Auth-Host changed to: HTTP://League.Example/Auth.php\n"),
        std::string::npos);
    EXPECT_EQ(After("tk_authhost"),
              "[Travik] tk_authhost is currently set to \"HTTP://League.Example/Auth.php\"\n");
    // Typed again in quotes it is not the text shown: a new host of the
    // same URL.
    EXPECT_NE(After("tk_authhost \"HTTP://League.Example/Auth.php\"")
                  .find("[Travik] Auth-Host changed to: HTTP://League.Example/Auth.php\n"),
              std::string::npos);

    for (const char* none : {"tk_authhost NoNe", "tk_authhost \"\"", "tk_authhost \" \""}) {
        SCOPED_TRACE(none);
        EXPECT_EQ(After(none), "[Travik] Auth-Host Removed\n");
        EXPECT_EQ(After("tk_authhost"), "[Travik] No auth-host is currently configured\n");
    }
}

TEST_F(TKAuthManagerFeature, TheOperatorsFileAddsAliasesAndReportsBadLinesByNumber) {
    TestHttpServer league(Behaviour::Answer, "0");
    WriteHosts(
        "// league hosts\n"
        "esl " +
        league.Url("/auth") +
        "\n"
        "broken\n"
        "ftp ftp://files.example/x\n"
        "none http://x.example/\n"
        "ESL http://other.example/\n"
        "cevo http://cevo.example/auth.php trailing\n"
        "\n"
        "cevo https://cevo.example/auth.php\n");
    StartWarServer("");
    const std::string file = "[Travik] cfg/travik_authhosts.txt line ";
    for (const int bad : {3, 4, 5, 6, 7})
        EXPECT_EQ(ConsoleCount(file + std::to_string(bad) + ": "), 1) << bad;
    EXPECT_EQ(ConsoleCount(file), 5);

    EXPECT_NE(After("tk_authhost ESL").find("[Travik] Auth-Host changed to: esl (KNOWN)\n"),
              std::string::npos);
    EXPECT_EQ(After("tk_authhost esl"), "");  // the current one by its alias
    // In capitals it is looked up again, and found current.
    EXPECT_EQ(After("tk_authhost ESL"), "[Travik] Attempting to set tk_authhost \"ESL\"\n");
    EXPECT_NE(After("tk_authhost cevo").find("changed to: cevo (KNOWN)\n"), std::string::npos);
    EXPECT_NE(After("tk_authhost \"" + league.Url("/AUTH") + "\"")
                  .find("[Travik] Auth-Host changed to: esl (KNOWN)\n"),
              std::string::npos)
        << "picked by its URL, whatever the case";

    sim::Client& alice = Player("alice", "STEAM_0:1:1");
    ClientLine(alice, "tk_status");
    EXPECT_NE(ClientConsole(alice).find(" tk_authhost: \"esl\" (Known)\n"), std::string::npos);
    Console("tk_authhost \"http://typed.example/\"");
    ClientLine(alice, "tk_status");
    EXPECT_NE(ClientConsole(alice).find(" tk_authhost: \"http://typed.example/\" (UNKNOWN)\n"),
              std::string::npos);
    Console("tk_authhost none");
    ClientLine(alice, "tk_status");
    EXPECT_NE(ClientConsole(alice).rfind(" tk_authhost: NONE\n"), std::string::npos);
}

TEST_F(TKAuthManagerFeature, AChangeOfHostInWarModeAsksEverybodyAgain) {
    TestHttpServer first(Behaviour::Answer, Field("first league"));
    TestHttpServer second(Behaviour::Answer, Field("second league"));
    StartWarServer("tk_authhost \"" + first.Url() + "\"\n");
    sim::Client& alice = Player("alice", "STEAM_0:1:1");
    Player("bob", "STEAM_0:1:2");
    AddBot("bot");
    const auto shown = [](const sim::Client& who, const std::string& line) {
        const std::vector<std::string> chat = ChatOf(who);
        return std::count(chat.begin(), chat.end(), line);
    };
    ASSERT_TRUE(RunUntil([&] { return shown(alice, "first league") == 2; }, &first));

    Console("tk_authhost \"" + second.Url() + "\"");
    EXPECT_TRUE(ChatHas(alice, "\x03Travik:\x04 Auth-Host changed to:\x01 " + second.Url() + "\n"));
    ASSERT_TRUE(RunUntil([&] { return second.Requests() == 2; }, &second));
    EXPECT_EQ(first.Requests(), 2);
    ASSERT_TRUE(RunUntil([&] { return shown(alice, "second league") == 2; }, &second));

    // Out of war mode a change asks nobody and tells nobody.
    Console("tk_warmode 0");
    server->RunSeconds(1.0);
    sim::Client& carol = Player("carol", "STEAM_0:1:3");
    server->RunSeconds(1.0);
    ClearConsole();
    Console("tk_authhost \"" + first.Url() + "other\"");
    EXPECT_EQ(ConsoleCount("[Travik] Auth-Host changed to: "), 1);
    server->RunSeconds(2.0);
    EXPECT_FALSE(
        ChatHas(carol, "\x03Travik:\x04 Auth-Host changed to:\x01 " + first.Url() + "other\n"));
    EXPECT_EQ(first.Requests(), 2);
}

TEST_F(TKAuthManagerFeature, ThePlayersListFromTheConsoleAndFromAClient) {
    TestHttpServer league(Behaviour::Answer, Field("Team Rocket") + "," + Field("Div 1"));
    InstallTravik();
    WriteConfig("");
    StartServer();
    SettleStartUp();
    EXPECT_EQ(After("tk_players"),
              "[Travik] Players list unavailable whilst tk_warmode is disabled\n");
    Console("tk_active 0");
    EXPECT_EQ(After("tk_players"), "[Travik] Players list unavailable whilst plugin is disabled\n");
    Console("tk_active 1");
    Console("tk_warmode 1");
    server->RunSeconds(1.0);
    EXPECT_EQ(After("tk_players"), "[Travik] Players list unavailable, no auth-host in use!\n");
    Console("tk_authhost \"" + league.Url() + "\"");
    EXPECT_EQ(After("tk_players"), "[Travik] There are no players authed with the auth-host!\n");

    sim::Client& alice = Player("alice", "STEAM_0:1:1");
    sim::Client& bob = Player("bob", "STEAM_0:1:2");
    ASSERT_TRUE(
        RunUntil([&] { return league.Requests() == 2 && ChatOf(bob).size() >= 14; }, &league));
    // carol never gets her Steam ID: she is not asked, and is listed as
    // unauthed under the ID the host shows meanwhile.
    sim::Client& carol = Connect("carol", [](sim::ClientSpec& spec) {
        spec.validateAfter = -1.0;
        spec.steamId = "STEAM_0:0:9";
    });
    server->RunSeconds(1.0);
    const std::string header =
        "[Travik] tk_authhost \"" + league.Url() + "\" (UNKNOWN)\nAuthenticated Players:\n \n";
    char carolRow[64];
    std::snprintf(carolRow, sizeof carolRow, "#%-3d | carol                | ID_PENDING    \n",
                  carol.UserId());
    const std::string listed =
        ">> alice - 0:1:1\nTeam Rocket\nDiv 1\n-----\n"
        ">> bob - 0:1:2\nTeam Rocket\nDiv 1\n"
        "Travik (Auth-Host) Unauthed Players:\n"
        "UID  | Name                 | Steam ID      \n" +
        std::string(carolRow);
    EXPECT_EQ(After("tk_players"), header + listed);

    alice.GetInbox().Clear();
    ClientLine(alice, "tk_players");
    EXPECT_EQ(ClientConsole(alice), header + listed);
}

}  // namespace
