// Locked server variables as the host, its console, its players and the
// plug-in log see them: corrected once, announced once, released to the
// administrator's value.
#include <tier1/convar.h>

#include <string>
#include <vector>

#include "TravikServerTest.h"

namespace {

std::string Forced(const std::string& name, const std::string& value) {
    return "\x03Travik:\x04 \"" + name + "\" forced to " + value + "\n";
}

class CvarLockerFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    void Start() {
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Connect("alice");
        alice->GetInbox().Clear();
        ClearConsole();
    }

    std::vector<std::string> AliceChat() const {
        std::vector<std::string> lines;
        for (const sim::InboxEntry* entry : alice->GetInbox().OfKind(sim::InboxKind::Chat)) {
            lines.push_back(entry->text);
        }
        return lines;
    }

    int LogCount(const std::string& text) const { return CountOf(ReadLog("travik.log"), text); }

    sim::Client* alice = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(CvarLockerFeature, ACorrectionIsAnnouncedOnceEverywhereAndReleasedToTheAdministratorsValue) {
    Start();
    Console("sv_maxcmdrate 100");
    EXPECT_EQ(Var("sv_maxcmdrate"), "66");
    const std::string line = Forced("sv_maxcmdrate", "66");
    EXPECT_EQ(ConsoleCount(line), 1);
    EXPECT_EQ(AliceChat(), Lines{line});
    EXPECT_EQ(LogCount(line), 1);

    Console("sv_maxupdaterate 30");  // within its bound: accepted silently
    EXPECT_EQ(Var("sv_maxupdaterate"), "30");
    EXPECT_EQ(AliceChat().size(), 1u);

    Console("tk_active 0");
    EXPECT_EQ(Var("sv_maxcmdrate"), "100");
    EXPECT_EQ(Var("sv_maxupdaterate"), "30");
}

TEST_F(CvarLockerFeature, TextIsComparedSoOnePointZeroIsCorrectedToOne) {
    Start();
    Console("sv_client_min_interp_ratio 1.0");
    EXPECT_EQ(Var("sv_client_min_interp_ratio"), "1");
    EXPECT_EQ(AliceChat(), Lines{Forced("sv_client_min_interp_ratio", "1")});
}

TEST_F(CvarLockerFeature, WarModeLocksHoldOnlyInWarModeAndSilentlyWhenItStarts) {
    Start();
    Console("sv_allowupload 0");
    Console("sv_allowupload 1");
    EXPECT_EQ(Var("sv_allowupload"), "1");
    Console("phys_timescale 2");
    Console("tk_warmode 1");
    EXPECT_EQ(Var("sv_allowupload"), "0");
    EXPECT_EQ(Var("phys_timescale"), "1");
    EXPECT_EQ(ConsoleCount("forced to"), 0);
    EXPECT_EQ(LogCount("forced to"), 0);

    Console("sv_allowupload 1");
    EXPECT_EQ(Var("sv_allowupload"), "0");
    EXPECT_EQ(ConsoleCount(Forced("sv_allowupload", "0")), 1);

    Console("tk_warmode 0");
    EXPECT_EQ(Var("sv_allowupload"), "1");
    EXPECT_EQ(Var("phys_timescale"), "2");
}

TEST_F(CvarLockerFeature, TheInterpolationRatioFollowsTheLanSwitchWithoutAWord) {
    Start();
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "2");
    Console("sv_lan 1");
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "1");
    Console("sv_lan 0");
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "2");
    EXPECT_TRUE(AliceChat().empty());
    EXPECT_EQ(ConsoleCount("forced to"), 0);
}

// The value forced at load was never the administrator's: the first value
// set afterwards is, though the lock corrects it.
TEST_F(CvarLockerFeature, TheAdministratorsFirstValueAfterALoadCorrectionIsKept) {
    Start();
    Console("sv_client_max_interp_ratio 3");
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "2");
    EXPECT_EQ(AliceChat(), Lines{Forced("sv_client_max_interp_ratio", "2")});
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "3");
}

TEST_F(CvarLockerFeature, UnloadGivesTheValuesBackAndLeavesNoCallbackBehind) {
    Start();
    Console("sv_maxcmdrate 100");
    Console("plugin_unload 0");
    ASSERT_EQ(server->Plugins().Count(), 0);
    EXPECT_EQ(Var("sv_maxcmdrate"), "100");
    EXPECT_EQ(Var("sv_client_max_interp_ratio"), "5");
    for (const char* name : {"sv_maxcmdrate", "sv_allowupload", "sv_cheats", "sv_lan"}) {
        EXPECT_EQ(FindVar(name)->GetChangeCallback(), nullptr) << name;
    }
    Console("sv_maxcmdrate 120");
    EXPECT_EQ(Var("sv_maxcmdrate"), "120");
}

// host_framerate, the built-in silent lock: a match runs at real speed.
TEST_F(CvarLockerFeature, TheSilentLockHoldsItsVariableAtZeroWithoutAWord) {
    Start();
    Console("host_framerate 100");
    // Set back as a number, which the console stores as "%f".
    EXPECT_EQ(Var("host_framerate"), "0.000000");
    EXPECT_TRUE(AliceChat().empty());
    EXPECT_FALSE(ConsoleHas("host_framerate"));
    Console("tk_active 0");
    Console("host_framerate 50");
    EXPECT_EQ(Var("host_framerate"), "50");
}

TEST_F(CvarLockerFeature, AnOperatorNamesTheSilentLocksVariableAndHearsOfBadLines) {
    ASSERT_TRUE(folder.WriteFile("cfg/travik_silentlock.txt",
                                 "// held at 0 while Travik is active\n\n"
                                 "sv_alltalk;quit\n"
                                 "tk_active\n"
                                 "  sv_maxcmdrate\r\n"
                                 "sv_alltalk\n"
                                 "sv_gravity\n"));
    Start();
    const std::string log = ReadLog("travik.log");
    const std::string prefix = "[Travik] cfg/travik_silentlock.txt line ";
    for (const std::string& error :
         {prefix + "3: not a variable name\n",
          prefix + "4: \"tk_active\" is one of Travik's own variables\n",
          prefix + "5: \"sv_maxcmdrate\" is locked already\n",
          prefix + "7: only one variable is held, \"sv_gravity\" ignored\n"}) {
        EXPECT_EQ(CountOf(log, error), 1) << error;
    }
    Console("sv_alltalk 1");
    EXPECT_EQ(Var("sv_alltalk"), "0.000000");
    Console("host_framerate 10");
    EXPECT_EQ(Var("host_framerate"), "10");
}

TEST_F(CvarLockerFeature, ASilentLockVariableTheServerLacksIsReported) {
    ASSERT_TRUE(folder.WriteFile("cfg/travik_silentlock.txt", "sv_no_such_thing\n"));
    Start();
    EXPECT_NE(ReadLog("travik.log")
                  .find("[Travik] cfg/travik_silentlock.txt: this server has no variable "
                        "\"sv_no_such_thing\"\n"),
              std::string::npos);
    EXPECT_FALSE(ConsoleHas("Unable to lock cvar"));
}

// Held at "0", a password would be one anybody can guess and a text variable
// would lose its text: only numeric variables that can be 0 are taken.
TEST_F(CvarLockerFeature, TheSilentLockRefusesProtectedAndTextVariables) {
    ASSERT_TRUE(folder.WriteFile("cfg/travik_silentlock.txt",
                                 "rcon_password\nsv_password\nhostname\nsv_contact\n"
                                 "mp_c4timer\nsv_gravity\n"));
    Start();
    const std::string log = ReadLog("travik.log");
    const std::string prefix = "[Travik] cfg/travik_silentlock.txt line ";
    for (const std::string& refusal :
         {prefix + "1: \"rcon_password\" is protected and is not held\n",
          prefix + "2: \"sv_password\" is protected and is not held\n",
          prefix + "3: \"hostname\" holds text, not a number, and is not held\n",
          prefix + "4: \"sv_contact\" holds text, not a number, and is not held\n",
          prefix + "5: \"mp_c4timer\" cannot be 0 and is not held\n"}) {
        EXPECT_EQ(CountOf(log, refusal), 1) << refusal << log;
    }
    Console("rcon_password secret;sv_password match;hostname \"Cup final\"");
    EXPECT_EQ(Var("rcon_password"), "secret");
    EXPECT_EQ(Var("sv_password"), "match");
    EXPECT_EQ(Var("hostname"), "Cup final");
    Console("sv_gravity 400");
    EXPECT_EQ(FindVar("sv_gravity")->GetFloat(), 0.0f) << "the first variable that can be held is";
}

// The console reads a number as the C library's atof does: these are NaN,
// infinity, a float too large and 256, each one outside a lock's range.
// Microsoft's C runtime (the Windows server's) reads decimal numbers only:
// there the others are 0, as "0" is, which an upper bound lets stand.
TEST_F(CvarLockerFeature, ALockHoldsAgainstOddNumbers) {
#ifdef _WIN32
    const std::vector<std::string> odd = {"1e40", "1e39", "67.5"};
    const std::vector<std::string> zero = {"nan", "inf", "0x100"};
#else
    const std::vector<std::string> odd = {"nan", "inf", "1e40", "0x100", "-nan"};
    const std::vector<std::string> zero;
#endif
    Start();
    for (const std::string& number : odd) {
        Console("sv_maxcmdrate " + number);
        EXPECT_EQ(Var("sv_maxcmdrate"), "66") << number;
        Console("sv_client_min_interp_ratio " + number);
        EXPECT_EQ(Var("sv_client_min_interp_ratio"), "1") << number;
    }
    EXPECT_EQ(ConsoleCount(Forced("sv_maxcmdrate", "66")), static_cast<int>(odd.size()));
    for (const std::string& number : zero) {
        Console("sv_maxcmdrate " + number);
        EXPECT_EQ(FindVar("sv_maxcmdrate")->GetFloat(), 0.0f) << number;
        EXPECT_EQ(Var("sv_maxcmdrate"), number);
    }
    Console("sv_maxcmdrate " + odd.back());
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_maxcmdrate"), odd.back()) << "the administrator's last value comes back";
}

}  // namespace
