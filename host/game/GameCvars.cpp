// The game library's console variables at Counter-Strike: Source's defaults,
// flags and bounds. Registration adds FCVAR_GAMEDLL to each (Game::Connect).
#include "game/GameCvars.h"

#include <tier1/convar.h>

#include "game/Game.h"

namespace {

constexpr int kRep = FCVAR_REPLICATED;
constexpr int kNotify = FCVAR_NOTIFY;

ConVar mp_startmoney("mp_startmoney", "800", kNotify,
                     "amount of money each player gets when they reset", true, 800.0f, true,
                     16000.0f);
ConVar mp_buytime("mp_buytime", "1.5", kNotify,
                  "How many minutes after round start players can buy items for.", true, 0.25f,
                  false, 0.0f);
ConVar mp_forcecamera("mp_forcecamera", "1", kRep, "Restricts spectator modes for dead players",
                      true, 0.0f, true, 2.0f);
ConVar mp_freezetime("mp_freezetime", "6", kNotify | kRep,
                     "how many seconds to keep players frozen when the round starts", true, 0.0f,
                     true, 60.0f);
ConVar mp_roundtime("mp_roundtime", "2.5", kNotify | kRep, "How many minutes each round takes.",
                    true, 1.0f, true, 9.0f);
ConVar mp_restartgame("mp_restartgame", "0", 0,
                      "If non-zero, game will restart in the specified number of seconds");
ConVar mp_timelimit("mp_timelimit", "0", kNotify | kRep, "game time per map in minutes");
ConVar mp_maxrounds("mp_maxrounds", "0", kNotify,
                    "max number of rounds to play before server changes maps", true, 0.0f, false,
                    0.0f);
ConVar mp_winlimit("mp_winlimit", "0", kNotify,
                   "max number of rounds one team can win before server changes maps", true, 0.0f,
                   false, 0.0f);
ConVar mp_friendlyfire("mp_friendlyfire", "0", kNotify | kRep,
                       "Allows team members to injure other members of their team");
ConVar mp_autoteambalance("mp_autoteambalance", "1", kNotify, "");
ConVar mp_limitteams("mp_limitteams", "2", kNotify,
                     "Max # of players 1 team can have over another (0 disables check)", true, 0.0f,
                     true, 30.0f);
ConVar mp_autokick("mp_autokick", "1", 0, "Kick idle/team-killing players");
ConVar mp_c4timer("mp_c4timer", "45", kNotify | kRep,
                  "how long from when the C4 is armed until it blows", true, 10.0f, true, 90.0f);
ConVar mp_teamlist("mp_teamlist", "hgrunt;scientist", kNotify, "");
ConVar mp_allowNPCs("mp_allowNPCs", "1", kNotify, "");
ConVar mp_round_restart_delay("mp_round_restart_delay", "5", 0,
                              "Number of seconds to delay before restarting a round after a win",
                              true, 0.0f, true, 10.0f);
ConVar mp_ignore_round_win_conditions("mp_ignore_round_win_conditions", "0", 0,
                                      "Ignore conditions which would end the current round");
ConVar phys_timescale("phys_timescale", "1", 0, "Scale time for physics");
ConVar sv_showimpacts("sv_showimpacts", "0", kRep | FCVAR_CHEAT,
                      "Shows client (red) and server (blue) bullet impact point (1=both, "
                      "2=client-only, 3=server-only)");
ConVar sv_alltalk("sv_alltalk", "0", kNotify,
                  "Players can hear all other players, no team restrictions");
ConVar sv_allowminmodels("sv_allowminmodels", "1", kNotify | kRep,
                         "Allow or disallow the use of cl_minmodels on this server.");
ConVar sv_disablefreezecam("sv_disablefreezecam", "0", kRep, "Turn on/off freezecam on server");
ConVar sv_nonemesis("sv_nonemesis", "0", kRep, "Disable nemesis and revenge.");
ConVar sv_nomvp("sv_nomvp", "0", kRep, "Disable MVP awards.");
ConVar sv_nowinpanel("sv_nowinpanel", "0", kRep, "Turn on/off win panel on server");
ConVar sv_nostats("sv_nostats", "0", kRep, "Don't send or receive stats.");
ConVar sv_competitive_minspec("sv_competitive_minspec", "0", kNotify | kRep,
                              "Enable to force certain client convars to minimum/maximum values "
                              "to help prevent competitive advantages.");
ConVar sv_enableboost("sv_enableboost", "0", kNotify | kRep, "Allow boost exploits");
ConVar sv_enablebunnyhopping("sv_enablebunnyhopping", "0", kNotify | kRep, "");
ConVar sv_ladder_dampen("sv_ladder_dampen", "0.2", kRep,
                        "Amount to dampen perpendicular movement on a ladder", true, 0.0f, true,
                        1.0f);
ConVar sv_ladder_angle("sv_ladder_angle", "-0.707", kRep,
                       "Cos of angle of incidence to ladder perpendicular for applying "
                       "ladder_dampen",
                       true, -1.0f, true, 1.0f);
ConVar sv_legacy_grenade_damage("sv_legacy_grenade_damage", "0", kRep,
                                "Enable to replicate grenade damage behavior of the original "
                                "Counter-Strike Source game.");
ConVar sv_gravity("sv_gravity", "800", kNotify | kRep, "World gravity.");
ConVar sv_maxspeed("sv_maxspeed", "320", kNotify | kRep, "");
ConVar sv_accelerate("sv_accelerate", "5", kNotify | kRep, "");
ConVar sv_airaccelerate("sv_airaccelerate", "10", kNotify | kRep, "");
ConVar sv_friction("sv_friction", "4", kNotify | kRep, "World friction.");
ConVar sv_stopspeed("sv_stopspeed", "75", kNotify | kRep, "Minimum stopping speed when on ground.");
ConVar r_AirboatViewDampenDamp("r_AirboatViewDampenDamp", "1.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_AirboatViewDampenFreq("r_AirboatViewDampenFreq", "7.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_AirboatViewZHeight("r_AirboatViewZHeight", "0.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_JeepViewDampenDamp("r_JeepViewDampenDamp", "1.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_JeepViewDampenFreq("r_JeepViewDampenFreq", "7.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_JeepViewZHeight("r_JeepViewZHeight", "10.0", kNotify | kRep | FCVAR_CHEAT, "");
ConVar r_VehicleViewDampen("r_VehicleViewDampen", "1", kNotify | kRep | FCVAR_CHEAT, "");

}  // namespace

void GameCvars::Read(cstrike::RulesSettings& settings) {
    settings.freezeTime = mp_freezetime.GetFloat();
    settings.roundTime = mp_roundtime.GetFloat();
    settings.startMoney = mp_startmoney.GetInt();
    settings.c4Timer = mp_c4timer.GetFloat();
    settings.roundRestartDelay = mp_round_restart_delay.GetFloat();
    settings.forceCamera = mp_forcecamera.GetInt();
}

int GameCvars::TakeRestartRequest() {
    if (!(mp_restartgame.GetFloat() > 0.0f))
        return 0;
    const int seconds = mp_restartgame.GetInt();
    mp_restartgame.SetValue(0);
    return seconds;
}

bool GameCvars::AllTalk() {
    return sv_alltalk.GetBool();
}
