#pragma once

#include <eiface.h>
#include <tier1/iconvar.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "core/SwitchedHook.h"
#include "core/VirtualHook.h"
#include "fixes/EntityTextFilter.h"
#include "hook/Hook.h"

class ConVar;

// Removes cosmetic entities (junk, oil drums, the listed props of some maps)
// from a map by editing the entity text the game spawns from: a post-hook
// on the engine's GetMapEntitiesString hands the game a filtered copy. The
// copy is made once per map and mode and reused; every copy handed out
// stays readable until the next level starts, as the engine's own text does.
class MapEntityEditor {
public:
    using EntitiesCall = travik::hook::CallFor<&IVEngineServer::GetMapEntitiesString>;

    static constexpr std::size_t kMapNameSize = 128;

    MapEntityEditor() = default;
    MapEntityEditor(const MapEntityEditor&) = delete;
    MapEntityEditor& operator=(const MapEntityEditor&) = delete;

    // Installs or removes the hook to match the active switch and
    // tk_removals; true when that changed anything.
    bool ConfigureHook();
    // Removes the hook silently and frees every text.
    void Unload();
    // Empties the lists and sets the filtered text aside for a rebuild.
    void ClearAllLists();
    // A new map name asks for new lists; the same one keeps the filtered text.
    void OnLevelInit(const char* mapName);
    void SetRebuildLists() { rebuild = true; }

    void GetMapEntitiesStringHook(EntitiesCall& call);

    // The lists of tk_removals' mode for the current map.
    void BuildRemovalLists();
    // The lists of `mode` (0 to 3) for the current map.
    void BuildRemovalLists(int mode);
    // A new filtered text from `entities`; false for a null or empty text.
    bool FilterEntityList(const char* entities);
    bool FilterEntityList(std::string_view entities);
    bool ShouldFilterEntity(std::string_view model) const;

    bool IsHooked() const { return hook.IsInstalled(); }
    const char* MapName() const { return mapName; }
    // The last filtered text, or null.
    const char* Filtered() const { return filtered.get(); }
    std::size_t FilteredLength() const { return filteredLength; }
    const std::vector<const char*>& JunkPrefixes() const { return junkPrefixes; }
    const std::vector<const char*>& RemovedModels() const { return removedModels; }

    static void OnTKRemovalsChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    bool Install();
    void Remove();
    // The filtered text stays readable until the next level: whoever was
    // handed it may hold it as long as it would hold the engine's text.
    void RetireFiltered();

    char mapName[kMapNameSize] = {};
    SwitchedHook hook{"Map Entities"};
    VirtualHook<&IVEngineServer::GetMapEntitiesString, MapEntityEditor> entities{
        travik::hook::Post, this, &MapEntityEditor::GetMapEntitiesStringHook};
    bool rebuild = true;
    std::unique_ptr<char[]> filtered;
    std::size_t filteredLength = 0;
    std::vector<std::unique_ptr<char[]>> retired;
    std::vector<const char*> junkPrefixes;
    std::vector<const char*> removedModels;
};

extern ConVar tk_removals;
