// Live and knives on three as a match server runs them: tk_lo3 and tk_ko3
// typed in the server console, the game's restarts on srcds-sim, which acts
// on mp_restartgame in its next frame and fires round_start after each
// restart, and what the players read in chat and in the centre.
#include <shareddefs.h>
#include <tier1/convar.h>

#include <string>
#include <vector>

#include "TravikServerTest.h"

namespace {

const char* const kInactive = "[Travik] Plugin must be active to run this command! (tk_active)\n";
const char* const kNeedsWarMode = "[Travik] tk_warmode must be enabled to use this function\n";
const char* const kLiveBusy = "[Travik] Unable to execute LO3, LO3/KO3 already in progress\n";
const char* const kKnivesBusy = "[Travik] Unable to execute KO3, LO3/KO3 already in progress\n";
const char* const kLiveAnnounced = "\x03[Travik]\x04 LIVE on three restarts!!!\n";
const char* const kKnivesAnnounced = "\x03[Travik]\x04 KNIVES on three restarts!!!\n";
const char* const kLive = "\x03[Travik]\x04 MATCH IS LIVE!!!\n";
const char* const kKnives = "\x03[Travik]\x04 KNIVES!\n";

std::string RestartLine(int n) {
    return "\x03[Travik]\x04 Restart " + std::to_string(n) + "\n";
}

std::string GameRestartLine(int seconds) {
    return "Game will restart in " + std::to_string(seconds) + " seconds";
}

class OnThreeSystemFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // War mode on a server whose start money differs from tk_startmoney's
    // 800; alice and carol on the two sides, the game's commencing restart
    // over and the first round in its (long) freeze time.
    void Start(bool warMode = true) {
        StartServer(
            "-insecure +maxplayers 16 +mp_freezetime 20 +mp_startmoney 3300 +sv_pausable 1 "
            "+map de_dust2");
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        if (warMode) {
            Console("tk_warmode 1");
            server->RunSeconds(1.0);
        }
        alice = &Join("alice", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        server->RunSeconds(3.5);
        ASSERT_EQ(GameRestarts(GameRestartLine(1)), 0);
        alice->GetInbox().Clear();
        carol->GetInbox().Clear();
        ClearConsole();
    }

    int ChatCount(const std::string& line) const {
        int count = 0;
        for (const std::string& entry : ChatOf(*alice)) {
            count += entry == line ? 1 : 0;
        }
        return count;
    }

    std::vector<std::string> Centred() const {
        std::vector<std::string> texts;
        for (const sim::InboxEntry* entry : alice->GetInbox().OfKind(sim::InboxKind::Center)) {
            texts.push_back(entry->text);
        }
        return texts;
    }

    // Runs frames until alice's chat holds `line` once more (at most
    // `seconds`); false when it never came.
    bool RunUntilChat(const std::string& line, double seconds) {
        const int before = ChatCount(line);
        const int frames = static_cast<int>(seconds / 0.015) + 1;
        for (int frame = 0; frame < frames && ChatCount(line) == before; ++frame) {
            server->RunFrame();
        }
        return ChatCount(line) > before;
    }

    // The game's own announcement of a restart, in the players' consoles.
    int GameRestarts(const std::string& line = "Game will restart in") const {
        return CountOf(ClientConsole(*alice), line);
    }

    // The eight blank lines stand right before each restart's line.
    void ExpectBlankLinesBefore(const std::string& line) {
        const std::vector<std::string> chat = ChatOf(*alice);
        for (size_t at = 0; at < chat.size(); ++at) {
            if (chat[at] != line) {
                continue;
            }
            ASSERT_GE(at, 8u);
            for (size_t blank = at - 8; blank < at; ++blank) {
                EXPECT_EQ(chat[blank], " \n") << "before " << line;
            }
            return;
        }
        ADD_FAILURE() << "no " << line;
    }

    void SetMatchConfig(const std::string& name) {
        ConVar* config = FindVar("tk_matchconfig");
        ASSERT_NE(config, nullptr);
        config->SetValue(name.c_str());
    }

    int Money(const sim::Client& client) const {
        SimPlayerState state;
        EXPECT_TRUE(server->Game().Sim()->GetPlayerState(client.EntityIndex(), &state));
        return state.money;
    }

    sim::Client* alice = nullptr;
    sim::Client* carol = nullptr;
};

TEST_F(OnThreeSystemFeature, RefusedWithItsOwnLineWhenInactiveOrOutsideWarMode) {
    Start(false);
    Console("tk_lo3");
    Console("tk_ko3");
    EXPECT_EQ(ConsoleCount(kNeedsWarMode), 2);
    EXPECT_FALSE(ConsoleHas(kInactive));

    // Inactive, the war mode does not matter: the active line comes first.
    Console("tk_active 0");
    Console("tk_warmode 1");
    ClearConsole();
    Console("tk_lo3");
    Console("tk_ko3");
    EXPECT_EQ(ConsoleCount(kInactive), 2);
    EXPECT_FALSE(ConsoleHas(kNeedsWarMode));

    server->RunSeconds(4.0);
    EXPECT_EQ(ChatCount(kLiveAnnounced) + ChatCount(kKnivesAnnounced), 0);
    EXPECT_TRUE(Centred().empty());
    EXPECT_FALSE(GameRestarts() > 0) << "nothing was restarted";
}

// Each restart after the first is asked for at the round start of the one
// before; the game takes it in its next frame. The third round start ends
// the sequence: four restarts would mean the count went wrong.
TEST_F(OnThreeSystemFeature, LiveSequenceCountsItsRestartsThroughRoundStartAndGoesLive) {
    Start();
    Console("tk_lo3");
    EXPECT_EQ(Centred(), std::vector<std::string>{"LIVE ON THREE RESTARTS"});
    EXPECT_EQ(ChatCount(kLiveAnnounced), 8);
    EXPECT_EQ(ChatOf(*carol).size(), ChatOf(*alice).size()) << "everybody reads it";
    // The players' Steam IDs come first, for the match's record.
    const std::vector<std::string> chat = ChatOf(*alice);
    ASSERT_GE(chat.size(), 12u);
    EXPECT_EQ(chat[8], "Player Steam IDs:\n");
    EXPECT_EQ(chat[9].rfind("alice - 0:", 0), 0u) << chat[9];
    EXPECT_EQ(chat[10].rfind("carol - 0:", 0), 0u) << chat[10];
    EXPECT_EQ(chat[11], " \n");
    EXPECT_EQ(chat[19], kLiveAnnounced);

    server->RunSeconds(1.5);
    EXPECT_EQ(ChatCount(RestartLine(1)), 0) << "the announcement is read first";
    ASSERT_TRUE(RunUntilChat(RestartLine(1), 0.4)) << "1.6 s, at most a quarter second late";
    ExpectBlankLinesBefore(RestartLine(1));
    EXPECT_EQ(GameRestarts(GameRestartLine(1)), 1);

    ASSERT_TRUE(RunUntilChat(RestartLine(2), 1.2));
    ExpectBlankLinesBefore(RestartLine(2));
    EXPECT_EQ(Var("mp_restartgame"), "1") << "asked for at the round start";
    EXPECT_EQ(GameRestarts(GameRestartLine(1)), 1) << "the game acts in its next frame";
    server->RunFrame();
    EXPECT_EQ(GameRestarts(GameRestartLine(1)), 2);
    EXPECT_EQ(Var("mp_restartgame"), "0");

    EXPECT_EQ(Var("mp_startmoney"), "3300") << "the start money waits for the last restart";
    ASSERT_TRUE(RunUntilChat(RestartLine(3), 1.2));
    ExpectBlankLinesBefore(RestartLine(3));
    EXPECT_EQ(Var("mp_startmoney"), "800");
    server->RunFrame();
    EXPECT_EQ(GameRestarts(GameRestartLine(3)), 1);
    EXPECT_EQ(ChatCount(kLive), 0);

    ASSERT_TRUE(RunUntilChat(kLive, 3.2));
    EXPECT_EQ(ChatCount(kLive), 8);
    EXPECT_EQ(Centred().back(), "Match is LIVE!!!");
    EXPECT_EQ(Var("mp_startmoney"), "800");
    EXPECT_EQ(Money(*alice), 800) << "the live round begins with the match's money";
    EXPECT_EQ(Money(*carol), 800);

    server->RunSeconds(6.0);
    EXPECT_EQ(GameRestarts(), 3) << "three restarts, no more";
    EXPECT_EQ(ChatCount(RestartLine(1)) + ChatCount(RestartLine(2)) + ChatCount(RestartLine(3)), 3);
    EXPECT_EQ(ChatCount(kLive), 8);
}

// The sequence's round starts are no rounds of the match: the war mode's
// warnings and the automatic cash lists wait for the first real one.
TEST_F(OnThreeSystemFeature, TheSequencesRoundStartsCarryNoWarningsNorCashLists) {
    Start();
    Join("bob", TEAM_TERRORIST);
    Console("tk_allowcashcalling 2");
    alice->MarkUserInfo("tk_wantautocashcalling");
    server->Clients().SetSetting(*alice, "tk_wantautocashcalling", "1");
    const std::string vac = "\x03WARNING:\x04 VAC has been disabled\n";
    const std::string cash = "\x03[Travik] Team Cash:\n";
    Console("tk_lo3");
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
    EXPECT_EQ(GameRestarts(), 3);
    EXPECT_EQ(ChatCount(vac), 0);
    EXPECT_EQ(ChatCount(cash), 0);

    Console("mp_restartgame 1");
    server->RunSeconds(1.5);
    EXPECT_EQ(ChatCount(vac), 1);
    EXPECT_EQ(ChatCount(cash), 1);
}

TEST_F(OnThreeSystemFeature, KnivesSequenceLeavesTheStartMoneyAlone) {
    Start();
    Console("tk_ko3");
    EXPECT_EQ(Centred(), std::vector<std::string>{"KNIVES ON THREE RESTARTS"});
    EXPECT_EQ(ChatCount(kKnivesAnnounced), 8);
    EXPECT_EQ(ChatCount(kLiveAnnounced), 0);
    EXPECT_EQ(ChatCount("Player Steam IDs:\n"), 0) << "for a live start only";
    ASSERT_TRUE(RunUntilChat(kKnives, 10.0));
    EXPECT_EQ(ChatCount(kKnives), 8);
    EXPECT_EQ(Centred().back(), "KNIVES!!!");
    EXPECT_EQ(ChatCount(kLive), 0);
    EXPECT_EQ(GameRestarts(GameRestartLine(1)), 2);
    EXPECT_EQ(GameRestarts(GameRestartLine(3)), 1);
    EXPECT_EQ(Var("mp_startmoney"), "3300");
    EXPECT_EQ(Money(*alice), 3300);
}

// A start money the game already has is not set again: its text stays as
// the operator typed it.
TEST_F(OnThreeSystemFeature, LiveStartSetsTheStartMoneyOnlyWhenItDiffers) {
    Start();
    Console("tk_startmoney 1000");
    Console("mp_startmoney 1000.4");
    Console("tk_lo3");
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
    EXPECT_EQ(Var("mp_startmoney"), "1000.4");

    Console("tk_startmoney 1200");
    Console("tk_lo3");
    ASSERT_TRUE(RunUntilChat(RestartLine(1), 2.0));
    EXPECT_EQ(Var("mp_startmoney"), "1000.4");
    server->RunSeconds(10.0);
    EXPECT_EQ(ChatCount(kLive), 16);
    EXPECT_EQ(Var("mp_startmoney"), "1200");
}

TEST_F(OnThreeSystemFeature, RefusedWhileASequenceRunsWhichCarriesOnUnchanged) {
    Start();
    ASSERT_TRUE(folder.WriteFile("cfg/match.cfg", "echo match config ran\n"));
    SetMatchConfig("match.cfg");
    Console("tk_lo3");
    ASSERT_TRUE(RunUntilChat(RestartLine(1), 2.0));
    Console("tk_lo3");
    EXPECT_EQ(ConsoleCount(kLiveBusy), 1);
    Console("tk_ko3");
    EXPECT_EQ(ConsoleCount(kKnivesBusy), 1);
    EXPECT_NE(ReadLog("travik.log").find(kLiveBusy), std::string::npos);
    EXPECT_NE(ReadLog("travik.log").find(kKnivesBusy), std::string::npos);

    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
    EXPECT_EQ(ChatCount(kLiveAnnounced), 8);
    EXPECT_EQ(ChatCount(kKnivesAnnounced), 0);
    EXPECT_EQ(ChatCount(kKnives), 0);
    EXPECT_EQ(ChatCount(RestartLine(1)), 1);
    EXPECT_EQ(ConsoleCount("match config ran"), 1);

    // Over, it may run again.
    Console("tk_ko3");
    EXPECT_EQ(ChatCount(kKnivesAnnounced), 8);
}

TEST_F(OnThreeSystemFeature, MatchConfigRunsOnceBeforeTheFirstRestartAndOnlyForLive) {
    Start();
    ASSERT_TRUE(folder.WriteFile("cfg/match.cfg", "mp_freezetime 7\necho match config ran\n"));
    ASSERT_TRUE(folder.WriteFile("cfg/league/final.cfg", "echo final config ran\n"));

    Console("tk_lo3");
    EXPECT_FALSE(ConsoleHas("Executing")) << "no configuration, nothing said";
    EXPECT_FALSE(ConsoleHas("not present"));
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));

    SetMatchConfig("match.cfg");
    ClearConsole();
    Console("tk_ko3");
    ASSERT_TRUE(RunUntilChat(kKnives, 10.0));
    EXPECT_FALSE(ConsoleHas("match config ran"));

    const int restartsBefore = GameRestarts();
    Console("tk_lo3");
    EXPECT_TRUE(ConsoleHas("Executing \"match.cfg\" (Config File)\n"));
    EXPECT_EQ(ConsoleCount("match config ran"), 1);
    EXPECT_EQ(Var("mp_freezetime"), "7");
    EXPECT_EQ(GameRestarts(), restartsBefore) << "the file ran before the first restart";
    EXPECT_NE(ReadLog("travik.log").find("Executing \"match.cfg\" (Config File)\n"),
              std::string::npos);
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
    EXPECT_EQ(ConsoleCount("match config ran"), 1);

    // A file in a folder of its own under cfg/.
    SetMatchConfig("league/final.cfg");
    Console("tk_lo3");
    EXPECT_EQ(ConsoleCount("final config ran"), 1);
}

// The name reaches a console line: nothing in it may end the exec and
// start another command, and the file stays under cfg/.
TEST_F(OnThreeSystemFeature, MatchConfigNameNeverRunsASecondCommandNorLeavesCfg) {
    Start();
    ASSERT_TRUE(folder.WriteFile("cfg/x.cfg", "echo x ran\n"));
    const std::vector<std::string> refused = {
        "x; quit",
        "x\nquit",
        "x\" ; quit",
        "x\rquit",
        "../x.cfg",
        "/etc/hostname",
        "league/../../x.cfg",
        "my match.cfg",
        "x.cfg//quit",
        std::string(122, 'a'),
    };
    for (const std::string& name : refused) {
        SetMatchConfig(name);
        ClearConsole();
        Console("tk_lo3");
        EXPECT_TRUE(ConsoleHas("[Travik] Unable to execute LO3, tk_matchconfig \""))
            << "refused: " << name;
        EXPECT_TRUE(ConsoleHas("\" is not a plain file name under cfg/\n")) << name;
        EXPECT_FALSE(ConsoleHas("x ran")) << name;
        EXPECT_FALSE(ConsoleHas("Executing")) << name;
        ASSERT_TRUE(server->IsUp()) << name;
    }
    server->RunSeconds(4.0);
    EXPECT_EQ(ChatCount(kLiveAnnounced), 0) << "no live start without its configuration";
    EXPECT_FALSE(GameRestarts() > 0);
    ASSERT_TRUE(server->IsUp());

    // The longest name that fits its exec line goes whole.
    const std::string longest(117, 'b');
    ASSERT_TRUE(folder.WriteFile("cfg/" + longest + ".cfg", "echo longest ran\n"));
    SetMatchConfig(longest + ".cfg");
    Console("tk_lo3");
    EXPECT_TRUE(ConsoleHas("longest ran"));
    EXPECT_EQ(ChatCount(kLiveAnnounced), 8);
}

// A match configuration that unloads the plug-in runs after the command has
// returned, not inside it: the module is never released under its own code.
TEST_F(OnThreeSystemFeature, AMatchConfigThatUnloadsThePluginRunsAfterTheCommand) {
    Start();
    ASSERT_TRUE(folder.WriteFile("cfg/unload.cfg", "plugin_unload 0\n"));
    SetMatchConfig("unload.cfg");
    Console("tk_lo3; echo after the live start");
    ASSERT_TRUE(server->IsUp());
    EXPECT_EQ(server->Plugins().Count(), 0);
    EXPECT_TRUE(ConsoleHas("after the live start"));
    EXPECT_EQ(ChatCount(kLiveAnnounced), 8);
    server->RunSeconds(3.0);
    EXPECT_FALSE(GameRestarts() > 0) << "gone with the plug-in";
}

TEST_F(OnThreeSystemFeature, LevelChangeEndsTheSequenceSilentlyAndTheNextStartsAfresh) {
    Start();
    Console("tk_lo3");
    ASSERT_TRUE(RunUntilChat(RestartLine(2), 4.0));
    Console("changelevel de_dust2");
    server->RunSeconds(10.0);
    EXPECT_EQ(ChatCount(RestartLine(3)), 0);
    EXPECT_EQ(ChatCount(kLive), 0);
    const int restartsBefore = GameRestarts();

    Console("tk_lo3");
    EXPECT_FALSE(ConsoleHas(kLiveBusy));
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
    EXPECT_EQ(ChatCount(RestartLine(1)), 2);
    EXPECT_EQ(ChatCount(RestartLine(3)), 1);
    EXPECT_EQ(GameRestarts() - restartsBefore, 3);
}

// While the server is paused no time passes and the first restart waits.
TEST_F(OnThreeSystemFeature, PausedFramesHoldTheFirstRestart) {
    Start();
    Console("tk_lo3");
    Console("pause");
    ASSERT_TRUE(server->IsPaused());
    for (int frame = 0; frame < 400; ++frame) {
        server->RunFrame();
    }
    EXPECT_EQ(ChatCount(RestartLine(1)), 0);
    Console("unpause");
    ASSERT_FALSE(server->IsPaused());
    ASSERT_TRUE(RunUntilChat(RestartLine(1), 2.0));
    ASSERT_TRUE(RunUntilChat(kLive, 10.0));
}

}  // namespace
