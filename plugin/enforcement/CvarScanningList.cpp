// The built-in scanning list. Names are kept scrambled so the module's data
// does not hand out the list of what is checked.
#include <string>

#include "enforcement/CvarScanner.h"
#include "enforcement/ScanListFile.h"
#include "support/StringCrypt.h"

namespace {

enum class Kind { Plain, Ranged, Info, Cheat };

struct BuiltInEntry {
    std::string (*name)();
    Kind kind;
    const char* value;
    float max;  // ranged entries: a maximum and no minimum
    bool mustExist;
};

#define TK_SCRAMBLED(text)                                             \
    +[]() -> std::string {                                             \
        static constexpr auto scrambled = StringCrypt::Scramble(text); \
        return scrambled.unscramble();                                 \
    }
#define TK_CHEAT(text, value) \
    { TK_SCRAMBLED(text), Kind::Cheat, value, 0.0f, true }

const BuiltInEntry kBuiltIn[] = {
    {TK_SCRAMBLED("cl_interpolate"), Kind::Plain, "1", 0.0f, false},
    {TK_SCRAMBLED("r_rootlod"), Kind::Ranged, "0", 1.0f, true},
    {TK_SCRAMBLED("cl_minmodels"), Kind::Plain, "0", 0.0f, true},
    {TK_SCRAMBLED("mat_picmip"), Kind::Ranged, "0", 3.0f, true},
    {TK_SCRAMBLED("fps_max"), Kind::Info, "0", 0.0f, true},
    // Variables every honest client carries at these values: the cheat ones
    // cannot change without sv_cheats, so anything else is tampering. Only
    // variables known to exist on a real client at a known value belong
    // here; a name the client does not have, or a client command, would
    // remove every honest player. The wallhack favourites come first.
    TK_CHEAT("mat_wireframe", "0"),
    TK_CHEAT("r_drawothermodels", "1"),
    TK_CHEAT("cl_leveloverview", "0"),
    TK_CHEAT("cl_overdraw_test", "0"),
    TK_CHEAT("cl_showevents", "0"),
    TK_CHEAT("mat_fillrate", "0"),
    TK_CHEAT("mat_measurefillrate", "0"),
    TK_CHEAT("mat_proxy", "0"),
    TK_CHEAT("mat_showlowresimage", "0"),
    TK_CHEAT("mem_force_flush", "0"),
    TK_CHEAT("r_colorstaticprops", "0"),
    TK_CHEAT("r_dispwalkable", "0"),
    TK_CHEAT("r_drawclipbrushes", "0"),
    TK_CHEAT("r_drawmodelstatsoverlay", "0"),
    TK_CHEAT("r_drawrenderboxes", "0"),
    TK_CHEAT("r_shadowwireframe", "0"),
    TK_CHEAT("r_visocclusion", "0"),
    TK_CHEAT("snd_show", "0"),
    TK_CHEAT("snd_visualize", "0"),
    TK_CHEAT("vcollide_wireframe", "0"),
    TK_CHEAT("cl_clock_correction", "1"),
    TK_CHEAT("fog_enable", "1"),
    TK_CHEAT("r_drawbeams", "1"),
    TK_CHEAT("r_drawbrushmodels", "1"),
    TK_CHEAT("r_drawdecals", "1"),
    TK_CHEAT("r_drawentities", "1"),
    TK_CHEAT("r_drawopaqueworld", "1"),
    TK_CHEAT("r_drawparticles", "1"),
    TK_CHEAT("r_drawskybox", "1"),
    TK_CHEAT("r_drawtranslucentworld", "1"),
    TK_CHEAT("r_skybox", "1"),
    TK_CHEAT("r_drawstaticprops", "1"),
    // Float-valued ones, compared as numbers.
    TK_CHEAT("r_aspectratio", "0.0f"),
    TK_CHEAT("cl_phys_timescale", "1.0"),
};
static_assert(sizeof(kBuiltIn) / sizeof(kBuiltIn[0]) == 39, "the built-in list has 39 entries");

#undef TK_CHEAT
#undef TK_SCRAMBLED

}  // namespace

void CvarScanner::PopulateScanningList() {
    ClearScanningList();
    const std::vector<ScanListFile::Entry> operatorList = ScanListFile::Read();
    if (operatorList.empty()) {
        AddBuiltInList();
    }
    for (const ScanListFile::Entry& entry : operatorList) {
        const char* name = entry.name.c_str();
        switch (entry.kind) {
            case ScanListFile::Kind::Plain:
                AddCvar(name, entry.value.c_str(), entry.mustExist);
                break;
            case ScanListFile::Kind::Ranged:
                AddRangedCvar(name, entry.value.c_str(), entry.hasMin, entry.min, entry.hasMax,
                              entry.max, entry.mustExist);
                break;
            case ScanListFile::Kind::Fps:
                AddInfoCvar(name, entry.mustExist, &CvarScanner::HandleOne);
                break;
            case ScanListFile::Kind::Cheat:
                AddCheatCvar(name, entry.value.c_str(), entry.mustExist);
                break;
        }
    }
}

void CvarScanner::AddBuiltInList() {
    for (const BuiltInEntry& entry : kBuiltIn) {
        const std::string name = entry.name();
        switch (entry.kind) {
            case Kind::Plain:
                AddCvar(name.c_str(), entry.value, entry.mustExist);
                break;
            case Kind::Ranged:
                AddRangedCvar(name.c_str(), entry.value, false, 0.0f, true, entry.max,
                              entry.mustExist);
                break;
            case Kind::Info:
                AddInfoCvar(name.c_str(), entry.mustExist, &CvarScanner::HandleOne);
                break;
            case Kind::Cheat:
                AddCheatCvar(name.c_str(), entry.value, entry.mustExist);
                break;
        }
    }
}
