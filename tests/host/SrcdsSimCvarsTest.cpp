// The host's console variables: the ones a plug-in reads, locks or hides
// exist at realistic defaults, flags and bounds; iteration sees engine,
// game and module entries; modules register and leave again.
#include <icvar.h>

#include <cmath>
#include <set>

#include "SimServerTest.h"

namespace {

class SrcdsSimCvars : public SimServerTest {
protected:
    void SetUp() override { StartServer("+map de_dust2"); }

    const ConVar& Require(const char* name) {
        const ConVar* var = server->FindVar(name);
        EXPECT_NE(var, nullptr) << name;
        static const ConVar missing("srcds_sim_missing", "");
        return var ? *var : missing;
    }
};

TEST_F(SrcdsSimCvars, EveryVariableAPluginFindsAtLoadExists) {
    for (const char* name :
         {"sv_client_predict", "sv_client_cmdrate_difference", "sv_client_min_interp_ratio",
          "sv_client_max_interp_ratio", "sv_lan", "sv_cheats", "sv_consistency",
          "sv_pure_kick_clients", "sv_pausable", "tv_delay", "mp_startmoney", "sv_minrate",
          "sv_maxrate", "sv_mincmdrate", "sv_maxcmdrate", "sv_minupdaterate", "sv_maxupdaterate",
          "sv_tags", "sv_showimpacts"})
        Require(name);
}

TEST_F(SrcdsSimCvars, EveryLockedOrAdjustedVariableOfCounterStrikeExists) {
    for (const char* name : {"phys_timescale",
                             "sv_allow_wait_command",
                             "sv_allow_color_correction",
                             "sv_allow_voice_from_file",
                             "sv_allowupload",
                             "sv_allowminmodels",
                             "sv_disablefreezecam",
                             "sv_nonemesis",
                             "sv_nomvp",
                             "sv_nowinpanel",
                             "mp_ignore_round_win_conditions",
                             "mp_round_restart_delay",
                             "sv_competitive_minspec",
                             "sv_enableboost",
                             "sv_enablebunnyhopping",
                             "sv_ladder_dampen",
                             "sv_ladder_angle",
                             "sv_legacy_grenade_damage",
                             "coop",
                             "deathmatch",
                             "mp_teamlist",
                             "mp_allowNPCs",
                             "r_AirboatViewDampenDamp",
                             "r_AirboatViewDampenFreq",
                             "r_AirboatViewZHeight",
                             "r_JeepViewDampenDamp",
                             "r_JeepViewDampenFreq",
                             "r_JeepViewZHeight",
                             "r_VehicleViewDampen",
                             "host_framerate",
                             "mp_buytime",
                             "mp_forcecamera",
                             "mp_restartgame",
                             "mp_freezetime",
                             "mp_roundtime",
                             "mp_c4timer"})
        Require(name);
}

TEST_F(SrcdsSimCvars, DefaultsFlagsAndBoundsAreTheRealServers) {
    const ConVar& cheats = Require("sv_cheats");
    EXPECT_STREQ(cheats.GetString(), "0");
    EXPECT_TRUE(cheats.IsFlagSet(FCVAR_NOTIFY | FCVAR_REPLICATED));
    EXPECT_FALSE(cheats.IsFlagSet(FCVAR_GAMEDLL)) << "an engine variable";

    const ConVar& money = Require("mp_startmoney");
    EXPECT_STREQ(money.GetString(), "800");
    EXPECT_TRUE(money.IsFlagSet(FCVAR_GAMEDLL | FCVAR_NOTIFY));
    EXPECT_EQ(money.GetMinValue(), 800.0f);
    EXPECT_EQ(money.GetMaxValue(), 16000.0f);

    const ConVar& predict = Require("sv_client_predict");
    EXPECT_STREQ(predict.GetString(), "-1");
    EXPECT_TRUE(predict.HasMin() && predict.HasMax());

    EXPECT_TRUE(Require("sv_showimpacts").IsFlagSet(FCVAR_CHEAT | FCVAR_REPLICATED));
    EXPECT_TRUE(Require("sv_maxupdaterate").IsFlagSet(FCVAR_REPLICATED));
    EXPECT_FALSE(Require("sv_maxupdaterate").IsFlagSet(FCVAR_NOTIFY)) << "the plug-in adds notify";
    EXPECT_STREQ(Require("tv_delay").GetString(), "30");
    EXPECT_STREQ(Require("sv_ladder_angle").GetString(), "-0.707");
    EXPECT_STREQ(Require("servercfgfile").GetString(), "server.cfg");
}

TEST_F(SrcdsSimCvars, TheTemplateServerConfigRanAtTheLevelStart) {
    EXPECT_STREQ(Var("hostname"), "srcds-sim");
}

TEST_F(SrcdsSimCvars, IterationSeesEngineAndGameVariablesAndCommands) {
    std::set<std::string> names;
    int commands = 0;
    for (ConCommandBase* base = server->Cvar().GetCommands(); base; base = base->GetNext()) {
        names.insert(base->GetName());
        commands += base->IsCommand() ? 1 : 0;
    }
    for (const char* name : {"sv_cheats", "mp_startmoney", "kickid", "say", "plugin_load",
                             "ent_create", "alias", "sv_pure", "pause", "tv_record", "status"})
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_GT(commands, 30);
    ConCommand* say = server->Cvar().FindCommand("say");
    ASSERT_NE(say, nullptr);
    EXPECT_TRUE(say->IsFlagSet(FCVAR_GAMEDLL)) << "chat is the game's";
    EXPECT_FALSE(server->Cvar().FindCommand("kickid")->IsFlagSet(FCVAR_GAMEDLL));
}

TEST_F(SrcdsSimCvars, ARegisteredReplacementCommandIsFoundFirstAndForwards) {
    int runs = 0;
    ConCommand* host = server->Cvar().FindCommand("alias");
    sim::HostCommand replacement("alias", "Alias a command. [test]", 0, [&](const CCommand& args) {
        ++runs;
        host->Dispatch(args);
    });
    ASSERT_TRUE(server->Cvar().RegisterConCommand(&replacement));
    Console("alias hello \"echo hi\"");
    Console("hello");
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(ConsoleHas("hi\n"));
    server->Cvar().UnregisterConCommand(&replacement);
}

TEST_F(SrcdsSimCvars, AChangeCallbackRunsInsideTheConsoleSet) {
    static std::vector<std::string> seen;
    seen.clear();
    ConVar* lan = server->FindVar("sv_lan");
    lan->InstallChangeCallback([](IConVar* var, const char* oldValue, float) {
        seen.push_back(std::string(oldValue) + "->" + static_cast<ConVar*>(var)->GetString());
    });
    Console("sv_lan 1");
    Console("sv_lan 5");
    lan->InstallChangeCallback(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"0->1", "1->1.000000"}))
        << "5 is clamped to the bound, printed as the console prints it";
}

TEST_F(SrcdsSimCvars, ConsoleNumbersAreReadAsTheCLibraryReadsThem) {
    ConVar* freeze = server->FindVar("mp_freezetime");
    ConVar* lan = server->FindVar("sv_lan");
    Console("mp_freezetime 0x10");
#ifdef _WIN32
    // The Microsoft C library reads no hexadecimal numbers, infinities or
    // NaNs: their number is the 0 read before the letters.
    EXPECT_EQ(freeze->GetInt(), 0);
#else
    EXPECT_EQ(freeze->GetInt(), 16);
#endif
    EXPECT_STREQ(freeze->GetString(), "0x10");
    Console("mp_freezetime 1e1");
    EXPECT_EQ(freeze->GetInt(), 10);
    Console("sv_lan inf");
#ifdef _WIN32
    EXPECT_EQ(lan->GetFloat(), 0.0f);
    EXPECT_STREQ(lan->GetString(), "inf") << "within the bounds, kept as typed";
    Console("sv_lan nan");
    EXPECT_EQ(lan->GetFloat(), 0.0f);
#else
    EXPECT_STREQ(lan->GetString(), "1.000000");
    Console("sv_lan nan");
    EXPECT_TRUE(std::isnan(lan->GetFloat())) << "NaN passes the bounds of 0 and 1";
#endif
    Console("sv_lan 1e40");
    EXPECT_STREQ(lan->GetString(), "1.000000");
}

}  // namespace
