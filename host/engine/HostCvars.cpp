#include "engine/HostCvars.h"

namespace sim {

namespace {

constexpr int kRep = FCVAR_REPLICATED;
constexpr int kNotify = FCVAR_NOTIFY;

const CvarSpec kEngineCvars[] = {
    {"hostname", "Counter-Strike: Source", 0, "Hostname for server."},
    {"sv_cheats", "0", kNotify | kRep, "Allow cheats on server"},
    {"sv_lan", "0", 0,
     "Server is a lan server ( no heartbeat, no authentication, no non-class C addresses )", true,
     0.0f, true, 1.0f},
    {"sv_consistency", "1", kRep, "Whether the client should enforce file consistency"},
    {"sv_pure_kick_clients", "1", 0,
     "If set to 1, the server will kick clients with mismatching files. Otherwise, it will issue "
     "a warning to the client."},
    {"sv_pausable", "0", kNotify, "Is the server pausable."},
    {"sv_password", "", kNotify | FCVAR_PROTECTED,
     "Server password for entry into multiplayer games"},
    {"rcon_password", "", FCVAR_PROTECTED, "remote console password."},
    {"sv_tags", "", kNotify,
     "Server tags. Used to provide extra information to clients when they're browsing for "
     "servers. Separate tags with a comma."},
    {"sv_region", "-1", 0, "The region of the world to report this server in."},
    {"sv_contact", "", kNotify, "Contact email for server sysop"},
    {"sv_visiblemaxplayers", "-1", 0, "Overrides the max players reported to prospective clients"},
    {"sv_timeout", "65", 0,
     "After this many seconds without a message from a client, the client is dropped"},
    {"sv_minrate", "3500", kRep, "Min bandwidth rate allowed on server, 0 == unlimited", true,
     0.0f},
    {"sv_maxrate", "0", kRep, "Max bandwidth rate allowed on server, 0 == unlimited", true, 0.0f},
    {"sv_mincmdrate", "10", kRep, "This sets the minimum value for cl_cmdrate. 0 == unlimited."},
    {"sv_maxcmdrate", "66", kRep,
     "(If sv_mincmdrate is > 0), this sets the maximum value for cl_cmdrate."},
    {"sv_minupdaterate", "10", kRep, "Minimum updates per second that the server will allow"},
    {"sv_maxupdaterate", "66", kRep, "Maximum updates per second that the server will allow"},
    {"sv_client_cmdrate_difference", "20", kRep,
     "cl_cmdrate is moved to within sv_client_cmdrate_difference units of cl_updaterate before "
     "it is clamped between sv_mincmdrate and sv_maxcmdrate."},
    {"sv_client_min_interp_ratio", "1", kRep,
     "This can be used to limit the value of cl_interp_ratio for connected clients (only while "
     "they are connected).\n              -1 = let clients set cl_interp_ratio to anything\n any "
     "other value = set minimum value for cl_interp_ratio"},
    {"sv_client_max_interp_ratio", "5", kRep,
     "This can be used to limit the value of cl_interp_ratio for connected clients (only while "
     "they are connected). If sv_client_min_interp_ratio is -1, then this cvar has no effect."},
    {"sv_client_predict", "-1", kRep,
     "This can be used to force the value of cl_predict for connected clients (only while they "
     "are connected).\n   -1 = let clients set cl_predict to anything\n    0 = force cl_predict "
     "to 0\n    1 = force cl_predict to 1",
     true, -1.0f, true, 1.0f},
    {"sv_allow_wait_command", "1", kRep,
     "Allow or disallow the wait command on clients connected to this server."},
    {"sv_allow_color_correction", "1", kRep,
     "Allow or disallow clients to use color correction on this server."},
    {"sv_allow_voice_from_file", "1", kRep,
     "Allow or disallow clients from using voice_inputfromfile on this server."},
    {"sv_allowupload", "1", 0, "Allow clients to upload customizations files"},
    {"sv_allowdownload", "1", 0, "Allow clients to download files"},
    {"sv_downloadurl", "", kRep, "Location from which clients can download missing files"},
    {"sv_voiceenable", "1", FCVAR_ARCHIVE | kNotify, ""},
    {"sv_voicecodec", "vaudio_miles", 0,
     "Specifies which voice codec DLL to use in a game. Set to the name of the DLL without the "
     "extension."},
    {"host_framerate", "0", 0,
     "Set to lock per-frame time elapse to 1/host_framerate, regardless of actual elapsed time."},
    {"host_timescale", "1.0", kRep | FCVAR_CHEAT, "Prescale the clock by this amount."},
    {"coop", "0", kNotify, "Cooperative play."},
    {"deathmatch", "1", kNotify, "Running a deathmatch server."},
    {"servercfgfile", "server.cfg", 0, ""},
    {"tv_enable", "0", kNotify, "Activates SourceTV on server."},
    {"tv_name", "SourceTV", 0, "SourceTV host name"},
    {"tv_delay", "30", 0, "SourceTV broadcast delay in seconds", true, 0.0f},
    {"tv_password", "", kNotify | FCVAR_PROTECTED, "SourceTV password for all clients"},
    {"tv_maxclients", "128", 0, "Maximum client number on SourceTV server.", true, 0.0f, true,
     255.0f},
    {"tv_autorecord", "0", 0, "Automatically records all games as SourceTV demos."},
};

}  // namespace

void HostCvars::Register(ConsoleObjects& objects) {
    objects.AddVars(kEngineCvars, std::size(kEngineCvars));
}

}  // namespace sim
