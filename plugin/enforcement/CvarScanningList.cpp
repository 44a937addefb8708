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
    // Cheat variables: anything but their default is tampering.
    TK_CHEAT("mat_wireframe", "0"),
    TK_CHEAT("mat_fullbright", "0"),
    TK_CHEAT("r_visualizetraces", "0"),
    TK_CHEAT("mat_drawflat", "0"),
    TK_CHEAT("mat_luxels", "0"),
    TK_CHEAT("mat_normals", "0"),
    TK_CHEAT("mat_showlowresimage", "0"),
    TK_CHEAT("r_showenvcubemap", "0"),
    TK_CHEAT("mat_leafvis", "0"),
    TK_CHEAT("r_drawlights", "0"),
    TK_CHEAT("r_drawrenderboxes", "0"),
    TK_CHEAT("r_drawmodelstatsoverlay", "0"),
    TK_CHEAT("mat_showwatertextures", "0"),
    TK_CHEAT("cl_leveloverview", "0"),
    TK_CHEAT("mat_fillrate", "0"),
    TK_CHEAT("mat_proxy", "0"),
    TK_CHEAT("mat_stub", "0"),
    TK_CHEAT("r_visocclusion", "0"),
    TK_CHEAT("mat_reversedepth", "0"),
    TK_CHEAT("r_lockpvs", "0"),
    TK_CHEAT("r_novis", "0"),
    TK_CHEAT("fog_override", "0"),
    TK_CHEAT("r_shadowwireframe", "0"),
    TK_CHEAT("vcollide_wireframe", "0"),
    TK_CHEAT("mat_measurefillrate", "0"),
    TK_CHEAT("mat_showmiplevels", "0"),
    TK_CHEAT("r_drawothermodels", "1"),
    TK_CHEAT("r_drawentities", "1"),
    TK_CHEAT("r_drawstaticprops", "1"),
    TK_CHEAT("r_drawbrushmodels", "1"),
    TK_CHEAT("r_drawworld", "1"),
    TK_CHEAT("r_drawparticles", "1"),
    TK_CHEAT("r_drawdecals", "1"),
    TK_CHEAT("r_drawskybox", "1"),
    TK_CHEAT("mat_drawwater", "1"),
    TK_CHEAT("fog_enable", "1"),
    TK_CHEAT("r_drawropes", "1"),
    TK_CHEAT("r_drawsprites", "1"),
    TK_CHEAT("r_drawdetailprops", "1"),
    TK_CHEAT("r_drawtranslucentworld", "1"),
    TK_CHEAT("r_drawopaquerenderables", "1"),
    TK_CHEAT("mat_softwarelighting", "0.0f"),
    TK_CHEAT("host_timescale", "1.0"),
    TK_CHEAT("r_shadowdist", "999"),
};
static_assert(sizeof(kBuiltIn) / sizeof(kBuiltIn[0]) == 49, "the built-in list has 49 entries");

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
