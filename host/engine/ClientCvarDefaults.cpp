#include "engine/ClientCvarDefaults.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

// What a fresh Counter-Strike: Source client carries, and only what is known
// of real clients: anti-cheat checks on thousands of servers ask for these
// and get these values from every honest player. A name not listed here is a
// variable the client does not have ("not found"), unless a scenario gives it
// one. Cheat variables stay at their values, as a client cannot change them
// while the server's sv_cheats is off. Replicated server variables are not
// listed: a client's copy follows the server.
const char* const kDefaults[][2] = {
    // Player settings, at a fresh install's values.
    {"cl_minmodels", "0"},
    {"cl_interpolate", "1"},
    {"cl_predictweapons", "1"},
    {"r_rootlod", "0"},
    {"r_lod", "-1"},
    {"mat_picmip", "0"},
    {"fps_max", "300"},
    {"mat_dxlevel", "90"},
    // At 0.
    {"cl_leveloverview", "0"},
    {"cl_overdraw_test", "0"},
    {"cl_showevents", "0"},
    {"mat_fillrate", "0"},
    {"mat_measurefillrate", "0"},
    {"mat_proxy", "0"},
    {"mat_showlowresimage", "0"},
    {"mat_wireframe", "0"},
    {"mem_force_flush", "0"},
    {"r_aspectratio", "0"},
    {"r_colorstaticprops", "0"},
    {"r_dispwalkable", "0"},
    {"r_drawclipbrushes", "0"},
    {"r_drawmodelstatsoverlay", "0"},
    {"r_drawrenderboxes", "0"},
    {"r_shadowwireframe", "0"},
    {"r_visocclusion", "0"},
    {"snd_show", "0"},
    {"snd_visualize", "0"},
    {"vcollide_wireframe", "0"},
    // At 1.
    {"cl_clock_correction", "1"},
    {"cl_phys_timescale", "1"},
    {"fog_enable", "1"},
    {"r_drawbeams", "1"},
    {"r_drawbrushmodels", "1"},
    {"r_drawdecals", "1"},
    {"r_drawentities", "1"},
    {"r_drawopaqueworld", "1"},
    {"r_drawothermodels", "1"},
    {"r_drawparticles", "1"},
    {"r_drawskybox", "1"},
    {"r_drawtranslucentworld", "1"},
    {"r_skybox", "1"},
    {"r_drawstaticprops", "1"},
};

// Client console commands: a query for one of them answers "not a cvar".
// r_shadowdist looks like a variable but is a command of the client's shadow
// manager.
const char* const kClientCommands[] = {
    "bind", "connect", "disconnect", "echo",   "exec",         "kill",
    "quit", "retry",   "say",        "status", "r_shadowdist",
};

}  // namespace

const char* ClientCvarDefault(const std::string& name) {
    const auto found = std::find_if(std::begin(kDefaults), std::end(kDefaults),
                                    [&](const auto& entry) { return name == entry[0]; });
    return found == std::end(kDefaults) ? nullptr : (*found)[1];
}

std::vector<const char*> ClientCvarDefaultNames() {
    std::vector<const char*> names;
    for (const auto& entry : kDefaults)
        names.push_back(entry[0]);
    return names;
}

bool IsClientCommand(const std::string& name) {
    return std::any_of(std::begin(kClientCommands), std::end(kClientCommands),
                       [&](const char* command) { return name == command; });
}

}  // namespace sim
