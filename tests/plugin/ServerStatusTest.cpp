// The warnings, notices and status block a player reads, on a srcds-sim
// level driven directly: every condition is set here, the sv_pure level and
// the plug-in's state included, which no operator command can reach.
#include <eiface.h>
#include <gtest/gtest.h>
#include <tier0/icommandline.h>
#include <tier1/convar.h>

#include <string>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"

namespace {

const char* const kSecure = "./srcds_linux -game cstrike +map de_dust2";
const char* const kInsecure = "./srcds_linux -game cstrike -insecure +map de_dust2";

class ServerStatusService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(room.started);
        g_host.cvar = &room.server->Cvar();
        ServerCvars& s = g_serverCvars;
        for (auto [slot, name] : {std::pair{&s.sv_cheats, "sv_cheats"},
                                  {&s.sv_consistency, "sv_consistency"},
                                  {&s.sv_lan, "sv_lan"},
                                  {&s.tv_delay, "tv_delay"},
                                  {&s.sv_minrate, "sv_minrate"},
                                  {&s.sv_maxrate, "sv_maxrate"},
                                  {&s.sv_mincmdrate, "sv_mincmdrate"},
                                  {&s.sv_maxcmdrate, "sv_maxcmdrate"},
                                  {&s.sv_minupdaterate, "sv_minupdaterate"},
                                  {&s.sv_maxupdaterate, "sv_maxupdaterate"}}) {
            *slot = room.server->FindVar(name);
            ASSERT_NE(*slot, nullptr) << name;
        }
    }
    void TearDown() override {
        g_serverCvars = ServerCvars{};
        g_travik.SetPure(0);
        g_travik.changeTkState(STATE_OK);
        CommandLine_Tier0()->CreateCmdLine(kSecure);
    }

    // What "tk_warnings" prints for alice.
    std::string Warnings() {
        room.alice->GetInbox().Clear();
        g_travik.PrintWarningsToConsole(room.EdictOf(room.alice));
        return room.alice->GetInbox().Console().Text();
    }

    SimRoom room;
};

struct Conditions {
    const char* name;
    int pure = 2;
    const char* tvDelay = "90";  // nullptr: the host has no tv_delay
    bool insecure = false;
    bool lan = false;
    bool cheats = false;
    bool consistency = true;
    TKState state = STATE_OK;
    std::string expected;
};

TEST_F(ServerStatusService, WarningsListWhatHoldsAndNothingElse) {
    const std::string none = "[Travik] No issues identified\n";
    const std::string critical = "Critical Warnings:\n";
    const std::string notices = "Notices (Non-Critical Issues):\n";
    const std::string tv = "-The Source TV delay is very small\n";
    const std::string pureOff = "-sv_pure is disabled\n";
    const std::string whiteList =
        "-sv_pure set to 1, the server is following a white-list (use command \"sv_pure\" to "
        "view)\n";
    const std::string noContact =
        "-Plugin is unable to contact the Travik website! Consistency can not be verified!\n";
    const Conditions cases[] = {
        {.name = "clean", .expected = none},
        {.name = "pure off", .pure = 0, .expected = critical + pureOff},
        {.name = "tv delay 29", .tvDelay = "29", .expected = notices + tv},
        {.name = "tv delay 30", .tvDelay = "30", .expected = none},
        {.name = "no tv_delay", .tvDelay = nullptr, .expected = none},
        {.name = "no contact alone", .state = STATE_NO_CONTACT, .expected = none},
        {.name = "pure 1, no contact",
         .pure = 1,
         .state = STATE_NO_CONTACT,
         .expected = notices + whiteList + noContact},
        {.name = "lan", .tvDelay = "0", .insecure = true, .lan = true, .expected = none},
        {.name = "all",
         .pure = 0,
         .tvDelay = "10",
         .insecure = true,
         .cheats = true,
         .consistency = false,
         .state = STATE_SERVER_MODIFIED,
         .expected = critical + "-sv_cheats is active\n-sv_consistency is disabled\n" + pureOff +
                     "-The server has been modified in a way which may affect competitive "
                     "play\n-VAC has been disabled\n \n" +
                     notices + tv},
    };
    for (const Conditions& c : cases) {
        SCOPED_TRACE(c.name);
        g_travik.SetPure(c.pure);
        g_serverCvars.tv_delay = c.tvDelay ? room.server->FindVar("tv_delay") : nullptr;
        if (c.tvDelay) {
            g_serverCvars.tv_delay->SetValue(c.tvDelay);
        }
        CommandLine_Tier0()->CreateCmdLine(c.insecure ? kInsecure : kSecure);
        g_serverCvars.sv_lan->SetValue(c.lan ? 1 : 0);
        g_serverCvars.sv_cheats->SetValue(c.cheats ? 1 : 0);
        g_serverCvars.sv_consistency->SetValue(c.consistency ? 1 : 0);
        g_travik.changeTkState(c.state);
        EXPECT_EQ(Warnings(), c.expected);
        g_travik.changeTkState(STATE_OK);
    }
}

// Settings of features the host does not have, tv_delay among them, show
// as not available rather than as empty values.
TEST_F(ServerStatusService, TheStatusBlockShowsMissingSettingsAsNotAvailable) {
    g_travik.SetPure(2);
    g_serverCvars.tv_delay = nullptr;
    g_travik.changeTkState(STATE_SERVER_MODIFIED);
    room.alice->GetInbox().Clear();
    g_travik.DisplayServerStatus(room.EdictOf(room.alice));
    EXPECT_EQ(room.alice->GetInbox().Console().Text(),
              "\nTravik WarMode: DISABLED\n"
              "\nTravik Status (8): Server has been modified in a manner which may affect "
              "competitive play\n"
              "\nImportant Server Cvars:\n sv_cheats: 0\n sv_pure: 2\n sv_consistency: 1\n "
              "tv_delay: N/A\n"
              "\nServer Net Settings:\n sv_minrate 3500 \t sv_maxrate 0\n sv_mincmdrate 10 \t "
              "sv_maxcmdrate 66\n sv_minupdaterate 10 \t sv_maxupdaterate 66\n"
              "\nTravik Settings:\n tk_readyup_max: N/A / tk_startmoney: N/A / "
              "tk_allowcashcalling: N/A / tk_antispeedhack: N/A / tk_deadvoice: N/A / "
              "tk_removals: N/A / tk_beta_tagging: N/A / tk_beta_illegaldefusefix: N/A / "
              "tk_beta_antiflash: N/A / tk_matchconfig: NONE\n"
              " tk_authhost: NONE\n");
}

}  // namespace
