#include "fixes/MapEntityEditor.h"

#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <new>
#include <span>

#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"

ConVar tk_removals("tk_removals", "0", 0,
                   "Cleans up maps by removing cosmetic entities (0=Disabled/1=Junk only/2=Remove "
                   "Oil Drums only/3=Junk and Oil Drums)",
                   true, 0.0f, true, 3.0f, MapEntityEditor::OnTKRemovalsChange);

namespace {

const char* const kOilDrum = "models/props_c17/oildrum001.mdl";
const char* const kJunk = "models/props_junk/";

struct MapModels {
    const char* map;
    std::span<const char* const> models;
};

// Props that block sight or shots without being part of the map's design.
// Paths that differ only in letter case are separate entries: the game's
// own model names decide which spelling a map uses.
const char* const kCbble[] = {
    "models/props_c17/FurnitureChair001a.mdl",
    "models/props_c17/woodbarrel001.mdl",
};
const char* const kDust2[] = {
    "models/props_vehicles/carparts_axel01a.mdl",
    "models/props_vehicles/carparts_tire01a.mdl",
    "models/props/de_dust/grainbasket01c.mdl",
};
const char* const kInferno[] = {
    "models/props/cs_office/plant01.mdl",
    "models/props/de_dust/grainbasket01c.mdl",
    "models/props/de_inferno/brokenboard.mdl",
    "models/props/de_inferno/cart_wheel.mdl",
    "models/props/de_inferno/chairantique.mdl",
    "models/props/de_inferno/claypot01.mdl",
    "models/props/de_inferno/claypot02.mdl",
    "models/props/de_inferno/claypot03.mdl",
    "models/props/de_inferno/clock01.mdl",
    "models/props/de_inferno/flower_barrel.mdl",
    "models/props/de_inferno/picture1.mdl",
    "models/props/de_inferno/picture2.mdl",
    "models/props/de_inferno/picture3.mdl",
    "models/props/de_inferno/potted_plant1.mdl",
    "models/props/de_inferno/potted_plant2.mdl",
    "models/props/de_inferno/potted_plant3.mdl",
    "models/props/de_inferno/tablecoffee.mdl",
    "models/props/de_inferno/tv_monitor01.mdl",
    "models/props/de_inferno/wall_lamp2.mdl",
    "models/props/de_inferno/wall_lamp3.mdl",
    "models/props/de_inferno/wine_barrel.mdl",
    "models/props/de_train/ladderaluminium.mdl",
    "models/props_c17/BriefCase001a.mdl",
    "models/props_c17/Furniturechair001a.mdl",
    "models/props_c17/Furnituredrawer003a.mdl",
    "models/props_c17/FurnitureTable001a.mdl",
    "models/props_c17/metalPot001a.mdl",
    "models/props_c17/metalPot002a.mdl",
    "models/props_interiors/Furniture_Lamp01a.mdl",
    "models/props_interiors/pot01a.mdl",
};
const char* const kLosttemplepro[] = {
    "models/props/de_prodigy/Wood_Pallet_01.mdl",
};
const char* const kNuke[] = {
    "models/props/cs_office/Cardboard_box01.mdl",
    "models/props/cs_office/Cardboard_box02.mdl",
    "models/props/cs_office/coffee_mug.mdl",
    "models/props/cs_office/coffee_mug2.mdl",
    "models/props/cs_office/file_box.mdl",
    "models/props/cs_office/file_cabinet3.mdl",
    "models/props/cs_office/Fire_Extinguisher.mdl",
    "models/props/cs_office/Paper_towels.mdl",
    "models/props/cs_office/phone.mdl",
    "models/props/cs_office/radio.mdl",
    "models/props/cs_office/trash_can.mdl",
    "models/props/de_prodigy/desk_console1.mdl",
    "models/props/de_prodigy/desk_console1a.mdl",
    "models/props/de_prodigy/desk_console1b.mdl",
    "models/props/de_prodigy/desk_console2.mdl",
    "models/props/de_prodigy/desk_console3.mdl",
    "models/props/de_prodigy/fanoff.mdl",
    "models/props/de_train/barrel.mdl",
    "models/props_c17/chair_stool01a.mdl",
    "models/props_lab/reciever_cart.mdl",
};
const char* const kSeason[] = {
    "models/props_lab/clipboard.mdl",
    "models/props_wasteland/controlroom_chair001a.mdl",
    "models/props_wasteland/controlroom_filecabinet002a.mdl",
    "models/props/de_prodigy/Wood_Pallet_01.mdl",
    "models/props/de_prodigy/fan.mdl",
    "models/props/de_prodigy/tire2.mdl",
    "models/props/cs_militia/paintbucket01.mdl",
    "models/props/cs_office/computer_caseB.mdl",
    "models/props/cs_office/file_cabinet1_group.mdl",
    "models/props/cs_office/file_cabinet1.mdl",
    "models/props/cs_office/file_box.mdl",
    "models/props/cs_office/Chair_office.mdl",
    "models/props/cs_office/coffee_mug.mdl",
    "models/props/cs_office/coffee_mug2.mdl",
    "models/props/cs_office/trash_can.mdl",
    "models/props/cs_office/microwave.mdl",
    "models/props/cs_office/phone.mdl",
    "models/props/cs_office/computer_caseb.mdl",
    "models/props/cs_office/computer_keyboard.mdl",
    "models/props/cs_office/computer_monitor.mdl",
    "models/props/cs_office/computer_mouse.mdl",
};
const char* const kTrain[] = {
    "models/props/cs_office/Cardboard_box01.mdl",
    "models/props/cs_office/Cardboard_box02.mdl",
    "models/props/cs_office/Cardboard_box03.mdl",
    "models/props/cs_office/Chair_office.mdl",
    "models/props/cs_office/coffee_mug.mdl",
    "models/props/cs_office/file_box.mdl",
    "models/props/cs_office/file_cabinet1_group.mdl",
    "models/props/cs_office/microwave.mdl",
    "models/props/cs_office/offcorkboarda.mdl",
    "models/props/cs_office/offinspd.mdl",
    "models/props/cs_office/offpaintingd.mdl",
    "models/props/cs_office/offpaintinge.mdl",
    "models/props/cs_office/offpaintingo.mdl",
    "models/props/cs_office/offpaintingi.mdl",
    "models/props/cs_office/Paper_towels.mdl",
    "models/props/cs_office/radio.mdl",
    "models/props/cs_office/trash_can.mdl",
    "models/props/cs_office/Water_bottle.mdl",
    "models/props/de_prodigy/Wood_Pallet_01.mdl",
    "models/props/de_train/Barrel.mdl",
    "models/props/de_train/LadderAluminium.mdl",
    "models/props_lab/monitor02.mdl",
    "models/props_wasteland/controlroom_chair001a.mdl",
    "models/props_wasteland/prison_toilet01.mdl",
};

const MapModels kMapModels[] = {
    {"de_cbble", kCbble},     {"de_dust2", kDust2},
    {"de_inferno", kInferno}, {"de_losttemplepro", kLosttemplepro},
    {"de_nuke", kNuke},       {"de_season", kSeason},
    {"de_train", kTrain},
};

const char* RemovalsMessage(int mode) {
    switch (mode) {
        case 1:
            return "\x03Travik:\x04 Removals Enabled - Junk only (Applies next round)\n";
        case 2:
            return "\x03Travik:\x04 Removals Enabled - Oil Drums only (Applies next round)\n";
        case 3:
            return "\x03Travik:\x04 Removals Enabled - Junk and Oil Drums (Applies next round)\n";
        default:
            return "\x03Travik:\x04 Removals Disabled (Applies next round)\n";
    }
}

}  // namespace

bool MapEntityEditor::ConfigureHook() {
    return hook.Configure(
        tk_removals.GetInt() != 0, [this] { return Install(); }, [this] { Remove(); });
}

bool MapEntityEditor::Install() {
    if (!entities.Install(g_host.engine)) {
        return false;
    }
    rebuild = true;
    return true;
}

void MapEntityEditor::Remove() {
    entities.Remove();
    ClearAllLists();
}

void MapEntityEditor::Unload() {
    hook.Unload([this] { entities.Remove(); });
    junkPrefixes.clear();
    removedModels.clear();
    filtered.reset();
    filteredLength = 0;
    retired.clear();
    rebuild = true;
}

void MapEntityEditor::ClearAllLists() {
    RetireFiltered();
    junkPrefixes.clear();
    removedModels.clear();
    rebuild = true;
}

void MapEntityEditor::RetireFiltered() {
    if (filtered) {
        retired.push_back(std::move(filtered));
    }
    filteredLength = 0;
}

// Earlier levels' texts are nobody's any more: the engine replaced its own.
void MapEntityEditor::OnLevelInit(const char* name) {
    retired.clear();
    if (!name || (mapName[0] != '\0' && std::strcmp(mapName, name) == 0)) {
        return;
    }
    std::memset(mapName, 0, sizeof(mapName));
    std::strncpy(mapName, name, sizeof(mapName) - 1);
    rebuild = true;
}

void MapEntityEditor::GetMapEntitiesStringHook(EntitiesCall& call) {
    if (!hook.IsInstalled()) {
        return;
    }
    if (!rebuild && filtered) {
        call.supersede(static_cast<const char*>(filtered.get()));
        return;
    }
    if (rebuild) {
        BuildRemovalLists();
    }
    const char* const* original = call.originalResult();
    // With nothing to remove the engine's own text serves as well as a copy.
    if (!original || !*original || (junkPrefixes.empty() && removedModels.empty()) ||
        !FilterEntityList(*original)) {
        return;
    }
    call.supersede(static_cast<const char*>(filtered.get()));
}

void MapEntityEditor::BuildRemovalLists() {
    BuildRemovalLists(tk_removals.GetInt());
}

void MapEntityEditor::BuildRemovalLists(int mode) {
    junkPrefixes.clear();
    removedModels.clear();
    if (mode <= 0) {
        return;
    }
    rebuild = false;
    if (mode >= 2) {
        removedModels.push_back(kOilDrum);
        if (mode == 2) {
            return;
        }
    }
    junkPrefixes.push_back(kJunk);
    for (const MapModels& entry : kMapModels) {
        if (std::strcmp(entry.map, mapName) == 0) {
            removedModels.insert(removedModels.end(), entry.models.begin(), entry.models.end());
        }
    }
}

bool MapEntityEditor::ShouldFilterEntity(std::string_view model) const {
    for (const char* removed : removedModels) {
        if (model == removed) {
            return true;
        }
    }
    for (const char* prefix : junkPrefixes) {
        if (model.find(prefix) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool MapEntityEditor::FilterEntityList(const char* text) {
    return FilterEntityList(text ? std::string_view(text) : std::string_view());
}

bool MapEntityEditor::FilterEntityList(std::string_view text) {
    RetireFiltered();
    if (text.empty()) {
        return false;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[text.size() + 1]);
    if (!buffer) {
        return false;
    }
    filteredLength = FilterEntityText(
        text, buffer.get(), [this](std::string_view model) { return ShouldFilterEntity(model); });
    filtered = std::move(buffer);
    return true;
}

void MapEntityEditor::OnTKRemovalsChange(IConVar*, const char* oldValue, float) {
    if (!travik::IsActive() ||
        std::strcmp(tk_removals.GetString(), oldValue ? oldValue : "") == 0) {
        return;
    }
    MapEntityEditor* editor = travik::getMapEntityEditor();
    editor->ConfigureHook();
    const int mode = tk_removals.GetInt();
    if (mode != 0) {
        editor->SetRebuildLists();
    }
    Messaging::SendAllMessage(RemovalsMessage(mode));
}
