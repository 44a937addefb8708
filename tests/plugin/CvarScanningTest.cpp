// The scanner as the loaded plug-in runs it: honest clients are asked for
// the whole list and stay; a client outside the rules leaves with its text;
// sv_cheats and the active switch hold the scanning and its timeouts.
#include <string>

#include "TravikServerTest.h"

namespace {

const std::string kSilentKick = "Kicked by Console : [Travik] Not responding to cvar queries";

class CvarScanningFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
    }

    // A client whose answers take longer than the scanner ever waits.
    sim::Client& Silent(const std::string& name) {
        return Connect(name, [](sim::ClientSpec& spec) { spec.queryLatency = 1000.0; });
    }
};

// Two passes over the 39 entries and a good part of the replicated list:
// a fresh install passes every verdict, so any entry whose expected value
// does not fit a real client's default shows up here.
TEST_F(CvarScanningFeature, FreshClientsPassWholeScansAndAModifiedOneIsToldTheLimit) {
    sim::Client& alice = Connect("alice");
    sim::Client& bob =
        Connect("bob", [](sim::ClientSpec& spec) { spec.cvars.emplace("r_rootlod", "2"); });
    sim::Client& bot = AddBot("bot");
    server->RunSeconds(32.0);

    EXPECT_TRUE(alice.IsActive()) << alice.DisconnectReason();
    EXPECT_TRUE(bot.IsActive());
    EXPECT_EQ(bob.DisconnectReason(),
              "Kicked by Console : Travik - \"r_rootlod\" value \"2.00\" above acceptable limit: "
              "to play on this server set the value to \"1.00\" or less");
    const std::vector<std::string> chat = ChatOf(alice);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0], "\x03[Travik]\x04 bob - Removed for cvar violation \"r_rootlod 2.00\"\n");
}

// The players read the plug-in's texts as written, double quotes and all.
class CvarScanningOwnListFeature : public CvarScanningFeature {
protected:
    void SetUp() override {
        InstallTravik();
        ASSERT_TRUE(folder.WriteFile("cfg/travik_scanlist.txt",
                                     "ranged r_rootlod 0 - 1\n"
                                     "plain cl_interpolate 1\n"
                                     "fps fps_max\n"
                                     "cheat mat_wireframe 0\n"));
        StartServer();
    }

    sim::Client& With(const std::string& name, const char* variable, const char* value) {
        return Connect(name, [&](sim::ClientSpec& spec) { spec.cvars[variable] = value; });
    }
};

TEST_F(CvarScanningOwnListFeature, KickAndBanTextsReachThePlayersAsWritten) {
    sim::Client& lod = With("lod", "r_rootlod", "2");
    sim::Client& interp = With("interp", "cl_interpolate", "0");
    sim::Client& fps = With("fps", "fps_max", "30");
    sim::Client& wire = With("wire", "mat_wireframe", "1");
    server->RunSeconds(5.0);
    EXPECT_EQ(lod.DisconnectReason(),
              "Kicked by Console : Travik - \"r_rootlod\" value \"2.00\" above acceptable limit: "
              "to play on this server set the value to \"1.00\" or less");
    EXPECT_EQ(interp.DisconnectReason(),
              "Kicked by Console : Travik - \"cl_interpolate\" value \"0.00\" non-default: to "
              "play on this server set the value to \"1.00\"");
    EXPECT_EQ(fps.DisconnectReason(),
              "Kicked by Console : [Travik] fps_max must be set to at least \"66\"");
    EXPECT_EQ(wire.DisconnectReason(),
              "Kicked by Console : Banned: [Travik] Banned for cvar violation \"mat_wireframe "
              "1.00\"");
}

// A variable the client lacks matters only for an entry that must exist; a
// protected or not-a-variable answer is a corrupted client.
class CvarScanningAnswersFeature : public CvarScanningFeature {
protected:
    void SetUp() override {
        InstallTravik();
        ASSERT_TRUE(folder.WriteFile("cfg/travik_scanlist.txt",
                                     "plain cl_interpolate 1 optional\nplain cl_minmodels 0\n"));
        StartServer();
    }

    sim::Client& Answering(const std::string& name, const char* variable, sim::QueryScript how) {
        sim::Client& client = Connect(name);
        client.ScriptAnswer(variable, how, "");
        return client;
    }
};

TEST_F(CvarScanningAnswersFeature, NotFoundMattersOnlyWhereTheEntryMustExist) {
    sim::Client& optional = Answering("optional", "cl_interpolate", sim::QueryScript::NotFound);
    sim::Client& required = Answering("required", "cl_minmodels", sim::QueryScript::NotFound);
    sim::Client& isProtected = Answering("protected", "cl_minmodels", sim::QueryScript::Protected);
    sim::Client& notACvar = Answering("command", "cl_interpolate", sim::QueryScript::NotACvar);
    server->RunSeconds(3.0);
    const std::string code =
        "Kicked by Console : [Travik] Corrupted cvar responses. Please restart your game (Code ";
    EXPECT_TRUE(optional.IsActive()) << optional.DisconnectReason();
    EXPECT_EQ(required.DisconnectReason(), code + "2)");
    EXPECT_EQ(isProtected.DisconnectReason(), code + "3)");
    EXPECT_EQ(notACvar.DisconnectReason(), code + "3)");
}

// A client that never answers fills its own queue of queries and waits; the
// others are still asked and judged on time.
TEST_F(CvarScanningOwnListFeature, ASilentPlayerDoesNotHoldUpTheOthers) {
    sim::Client& silent = Silent("silent");
    server->RunSeconds(10.0);
    sim::Client& lod = With("lod", "r_rootlod", "2");
    server->RunSeconds(3.0);
    EXPECT_FALSE(lod.IsConnected());
    EXPECT_TRUE(silent.IsActive()) << silent.DisconnectReason();
}

// An operator's list with a bad line is not used at all: the console names
// the line, and the built-in list judges the players.
class CvarScanningBadListFeature : public CvarScanningFeature {
protected:
    void SetUp() override {
        InstallTravik();
        ASSERT_TRUE(folder.WriteFile("cfg/travik_scanlist.txt",
                                     "cheat r_drawothermodels 0\nplain cl_minmodels\n"));
        StartServer();
    }
};

TEST_F(CvarScanningBadListFeature, TheBuiltInListScansInstead) {
    EXPECT_TRUE(ConsoleHas(
        "[Travik] cfg/travik_scanlist.txt line 2: wrong number of words for its kind\n"));
    EXPECT_TRUE(
        ConsoleHas("[Travik] cfg/travik_scanlist.txt not used: scanning the built-in list\n"));
    // Its good first line, used alone, would ban every fresh client: their
    // r_drawothermodels is 1.
    sim::Client& alice = Connect("alice");
    sim::Client& lod =
        Connect("lod", [](sim::ClientSpec& spec) { spec.cvars.emplace("r_rootlod", "2"); });
    server->RunSeconds(32.0);
    EXPECT_TRUE(alice.IsActive()) << alice.DisconnectReason();
    EXPECT_FALSE(lod.IsConnected());
}

TEST_F(CvarScanningFeature, CheatsOnOrTravikInactiveHoldTheScanAndItsTimeouts) {
    Console("sv_cheats 1");
    sim::Client& alice = Silent("alice");
    server->RunSeconds(80.0);
    EXPECT_TRUE(alice.IsActive());

    // Each switch removes everybody; the next client joins afterwards.
    Console("sv_cheats 0");
    Console("tk_active 0");
    server->RunSeconds(1.0);
    sim::Client& bob = Silent("bob");
    server->RunSeconds(80.0);
    EXPECT_TRUE(bob.IsActive()) << bob.DisconnectReason();

    // Switched on again, the scan starts afresh: six sendings 12 s apart,
    // then the kick.
    Console("tk_active 1");
    server->RunSeconds(1.0);
    sim::Client& carol = Silent("carol");
    server->RunSeconds(71.5);
    EXPECT_TRUE(carol.IsActive());
    // Each resend waits for the next quarter-second pass, so the kick drifts
    // a little past 72 s.
    server->RunSeconds(2.5);
    EXPECT_EQ(carol.DisconnectReason(), kSilentKick);
}

// Another plug-in, loaded before travik, so that its replicated variable is
// on the scanner's list.
class CvarScanningBesideAnotherPluginFeature : public CvarScanningFeature {
protected:
    void SetUp() override {
        InstallTravik();
        ASSERT_TRUE(folder.InstallAddon(SIM_TEST_PLUGIN_PATH, "aa_other"));
        StartServer();
    }
};

// The variable's memory goes with the other module; the scan in flight
// and the later passes must not touch it, nor must travik's own unload.
TEST_F(CvarScanningBesideAnotherPluginFeature, ItsReplicatedVariableGoesWithItsModule) {
    ASSERT_EQ(server->Plugins().Count(), 2) << ConsoleText();
    sim::Client& alice = Connect("alice", [](sim::ClientSpec& spec) { spec.queryLatency = 3.0; });
    server->RunSeconds(2.0);  // the first replicated query is out, unanswered
    Console("plugin_unload 0");
    ASSERT_EQ(server->Plugins().Count(), 1);
    ASSERT_EQ(FindVar("sim_test_replicated"), nullptr);
    server->RunSeconds(30.0);
    EXPECT_TRUE(alice.IsActive()) << alice.DisconnectReason();

    Console("plugin_unload 0");
    EXPECT_EQ(server->Plugins().Count(), 0);
    EXPECT_TRUE(ConsoleHas("Travik: Plugin UNLOADED!"));
}

}  // namespace
