#include "engine/ClientCvarDefaults.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

// One place for every default, so a scenario that asks "what would a fresh
// client say" has a single answer. Cheat variables stay at their defaults,
// as a client cannot change them while the server's sv_cheats is off.
const char* const kDefaults[][2] = {
    // Settings a player may change freely.
    {"cl_interpolate", "1"},
    {"cl_minmodels", "0"},
    {"fps_max", "300"},
    {"mat_picmip", "0"},
    {"r_rootlod", "0"},
    // Cheat variables.
    {"cl_leveloverview", "0"},
    {"fog_enable", "1"},
    {"fog_override", "0"},
    {"host_timescale", "1.0"},
    {"mat_drawflat", "0"},
    {"mat_drawwater", "1"},
    {"mat_fillrate", "0"},
    {"mat_fullbright", "0"},
    {"mat_leafvis", "0"},
    {"mat_luxels", "0"},
    {"mat_measurefillrate", "0"},
    {"mat_normals", "0"},
    {"mat_proxy", "0"},
    {"mat_reversedepth", "0"},
    {"mat_showlowresimage", "0"},
    {"mat_showmiplevels", "0"},
    {"mat_showwatertextures", "0"},
    {"mat_softwarelighting", "0"},
    {"mat_stub", "0"},
    {"mat_wireframe", "0"},
    {"r_drawbrushmodels", "1"},
    {"r_drawdecals", "1"},
    {"r_drawdetailprops", "1"},
    {"r_drawentities", "1"},
    {"r_drawlights", "0"},
    {"r_drawmodelstatsoverlay", "0"},
    {"r_drawopaquerenderables", "1"},
    {"r_drawothermodels", "1"},
    {"r_drawparticles", "1"},
    {"r_drawrenderboxes", "0"},
    {"r_drawropes", "1"},
    {"r_drawskybox", "1"},
    {"r_drawsprites", "1"},
    {"r_drawstaticprops", "1"},
    {"r_drawtranslucentworld", "1"},
    {"r_drawworld", "1"},
    {"r_lockpvs", "0"},
    {"r_novis", "0"},
    {"r_shadowdist", "999"},
    {"r_shadowwireframe", "0"},
    {"r_showenvcubemap", "0"},
    {"r_visocclusion", "0"},
    {"r_visualizetraces", "0"},
    {"vcollide_wireframe", "0"},
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

}  // namespace sim
