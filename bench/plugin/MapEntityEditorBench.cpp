// Filtering a map's entity text of 2 MB, as the map entity editor does once
// per map and mode: de_dust2's lists in mode 3 over blocks like a real map's
// (one in eight a junk prop, an oil drum or a listed prop). The baseline is a
// plain copy of the same text into a buffer of its own; the figure kept is
// the filter's time as a ratio to it, with the bytes read per second. A
// counting allocator shows the filter makes its one buffer and nothing else.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "CountingAllocator.h"
#include "InterleavedMain.h"
#include "TimeRatioReporter.h"
#include "fixes/MapEntityEditor.h"

namespace {

constexpr std::size_t kTextSize = 2u << 20;

std::string Block(int i, const char* classname, const char* model) {
    std::string block = "{\n\"classname\" \"" + std::string(classname) + "\"\n";
    block += "\"origin\" \"" + std::to_string(i % 4096) + " " + std::to_string(i * 7 % 4096) +
             " 64\"\n\"angles\" \"0 " + std::to_string(i % 360) + " 0\"\n";
    if (model) {
        block += "\"model\" \"" + std::string(model) + "\"\n\"skin\" \"0\"\n\"solid\" \"6\"\n";
    }
    block += "\"targetname\" \"entity" + std::to_string(i) + "\"\n}\n";
    return block;
}

const std::string& EntityText() {
    static const std::string text = [] {
        const char* const models[] = {
            "models/props/de_dust/du_antenna_a.mdl",   "models/props/de_dust/wagon.mdl",
            "models/props/de_dust/stoneblocks48.mdl",  "models/props_c17/oildrum001.mdl",
            "models/props/de_dust/du_crate_64x64.mdl", "models/props/de_dust/pallet02.mdl",
            "models/props/de_dust/du_door_b.mdl",      "models/props_junk/wood_crate001a.mdl",
            "models/props/de_dust/grainbasket01c.mdl", "models/props/de_dust/awning01.mdl",
            "models/props/de_dust/du_window_4x4.mdl",  "models/props/de_dust/rockwall01.mdl",
            "models/props/de_dust/stoneblock01a.mdl",  "models/props/de_dust/palmtree.mdl",
            "models/props/de_dust/pillar01.mdl",       "models/props/de_dust/sign01.mdl"};
        std::string built = "{\n\"classname\" \"worldspawn\"\n\"skyname\" \"sky_dust\"\n}\n";
        for (int i = 0; built.size() < kTextSize; ++i) {
            built += i % 3 == 0 ? Block(i, "light", nullptr)
                                : Block(i, "prop_physics_multiplayer", models[i % 16]);
        }
        return built;
    }();
    return text;
}

void BM_CopyEntityText(benchmark::State& state) {
    const std::string& text = EntityText();
    const long before = AllocationCount();
    for (auto _ : state) {
        std::unique_ptr<char[]> copy(new char[text.size() + 1]);
        std::memcpy(copy.get(), text.c_str(), text.size() + 1);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_FilterEntityText(benchmark::State& state) {
    const std::string& text = EntityText();
    MapEntityEditor editor;
    editor.OnLevelInit("de_dust2");
    editor.BuildRemovalLists(3);
    const long before = AllocationCount();
    for (auto _ : state) {
        if (!editor.FilterEntityList(text.c_str())) {
            state.SkipWithError("the text was not filtered");
            return;
        }
        benchmark::DoNotOptimize(editor.Filtered());
        benchmark::ClobberMemory();
        // Each filtering sets the last text aside for the rest of the
        // level; a level start lets it go.
        editor.OnLevelInit("de_dust2");
    }
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    const std::string filtered(editor.Filtered(), editor.FilteredLength());
    state.counters["kept%"] = 100.0 * static_cast<double>(filtered.size()) / text.size();
    if (filtered.find("oildrum001") != std::string::npos ||
        filtered.find("props_junk") != std::string::npos ||
        filtered.find("grainbasket01c") != std::string::npos ||
        filtered.find("du_antenna_a") == std::string::npos) {
        state.SkipWithError("the filter kept what it should remove or removed what it should keep");
    }
}

BENCHMARK(BM_CopyEntityText)->Repetitions(7);
BENCHMARK(BM_FilterEntityText)->Repetitions(7);

}  // namespace

int main(int argc, char** argv) {
    TimeRatioReporter reporter("Filtering a 2 MB entity text", "BM_CopyEntityText",
                               {"BM_FilterEntityText"});
    return RunInterleaved(argc, argv, reporter);
}
