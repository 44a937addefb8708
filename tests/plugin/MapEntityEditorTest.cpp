// Map entity removals as the game sees them: what srcds-sim's Counter-Strike:
// Source game spawns from the entity text the engine hands it, and the text
// itself, with tk_removals at its modes.
#include <eiface.h>

#include <string>
#include <vector>

#include "TravikServerTest.h"

namespace {

const char* const kEnabled = "[Travik] Map Entities Hook Enabled\n";
const char* const kDisabled = "[Travik] Map Entities Hook Disabled\n";
const char* const kJunkOnly = "\x03Travik:\x04 Removals Enabled - Junk only (Applies next round)\n";
const char* const kDrumsOnly =
    "\x03Travik:\x04 Removals Enabled - Oil Drums only (Applies next round)\n";
const char* const kBoth =
    "\x03Travik:\x04 Removals Enabled - Junk and Oil Drums (Applies next round)\n";
const char* const kOff = "\x03Travik:\x04 Removals Disabled (Applies next round)\n";

const char* const kDrum = "models/props_c17/oildrum001.mdl";
const char* const kCrate = "models/props_junk/wood_crate001a.mdl";
const char* const kPallet = "models/props_junk/wood_pallet001a.mdl";
const char* const kAxel = "models/props_vehicles/carparts_axel01a.mdl";
const char* const kTire = "models/props_vehicles/carparts_tire01a.mdl";
const char* const kBasket = "models/props/de_dust/grainbasket01c.mdl";
const char* const kAntenna = "models/props/de_dust/du_antenna_a.mdl";

class MapEntityEditorFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    void Start(const std::string& map = "de_dust2") {
        StartServer("+map " + map);
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    }
    void ChangeLevel(const std::string& map) {
        Console("changelevel " + map);
        server->RunTicks(1);
    }
    int Models(const char* model) { return server->Game().Sim()->CountEntitiesByModel(model); }
    int Classes(const char* name) { return server->Game().Sim()->CountEntities(name); }
    // What the engine hands whoever asks for the map's text now, asked as
    // the game asks: through the interface the engine's factory gives out.
    const char* EngineText() {
        auto* engine = static_cast<IVEngineServer*>(
            sim::Server::EngineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
        return engine ? engine->GetMapEntitiesString() : nullptr;
    }
    int ChatCount(const sim::Client& client, const std::string& line) {
        int count = 0;
        for (const std::string& chat : ChatOf(client)) {
            count += chat == line;
        }
        return count;
    }
};

TEST_F(MapEntityEditorFeature, Dust2WithJunkAndOilDrumsSpawnsWithoutThemAndItsListedProps) {
    Start();
    sim::Client& alice = Connect("alice");
    EXPECT_FALSE(ConsoleHas(kEnabled)) << "tk_removals is 0 by default";
    for (const char* model : {kDrum, kDrum, kCrate, kPallet, kAxel, kTire, kBasket}) {
        EXPECT_GE(Models(model), 1) << model;
    }
    const int props = Classes("prop_physics_multiplayer") + Classes("prop_physics");
    EXPECT_EQ(props, 7);

    Console("tk_removals 3");
    EXPECT_EQ(ConsoleCount(kEnabled), 1);
    EXPECT_EQ(ChatCount(alice, kBoth), 1);
    EXPECT_EQ(Models(kDrum), 2) << "the running level keeps what it spawned";

    ChangeLevel("de_dust2");
    for (const char* model : {kDrum, kCrate, kPallet, kAxel, kTire, kBasket}) {
        EXPECT_EQ(Models(model), 0) << model;
    }
    EXPECT_EQ(Classes("prop_physics_multiplayer") + Classes("prop_physics"), 0);
    EXPECT_EQ(Models(kAntenna), 2);
    EXPECT_EQ(Classes("prop_dynamic"), 3);
    EXPECT_EQ(Classes("info_player_terrorist"), 5);
    EXPECT_EQ(Classes("info_player_counterterrorist"), 5);
    EXPECT_EQ(Classes("weapon_awp"), 1);
    EXPECT_FALSE(ConsoleHas("The map's entity text stops")) << ConsoleText();
}

TEST_F(MapEntityEditorFeature, EachModeOnMapsWithAndWithoutTheirOwnList) {
    folder.WriteFile(
        "maps/de_aztec.ent",
        "{ \"classname\" \"worldspawn\" }\n"
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_junk/a.mdl\" }\n"
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_c17/oildrum001.mdl\" }\n"
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_c17/OilDrum001.mdl\" }\n"
        "{ \"classname\" \"prop_physics\" \"model\" "
        "\"models/props_vehicles/carparts_tire01a.mdl\" }\n");
    Start("de_train");
    Console("tk_removals 2");
    ChangeLevel("de_train");
    EXPECT_EQ(Models(kDrum), 0);
    EXPECT_EQ(Models(kPallet), 1) << "oil drums only";
    EXPECT_EQ(Models("models/props/de_train/Barrel.mdl"), 1) << "oil drums only";

    Console("tk_removals 1");
    ChangeLevel("de_train");
    EXPECT_EQ(Models(kDrum), 1);
    EXPECT_EQ(Models(kPallet), 0);
    for (const char* listed :
         {"models/props/cs_office/Cardboard_box01.mdl", "models/props/cs_office/trash_can.mdl",
          "models/props/de_train/Barrel.mdl", "models/props/de_train/LadderAluminium.mdl",
          "models/props_wasteland/prison_toilet01.mdl"}) {
        EXPECT_EQ(Models(listed), 0) << listed;
    }
    EXPECT_EQ(Models("models/props/de_train/biohazardtank.mdl"), 1) << "not on its list";

    // A map without a list of its own loses only junk (and drums in mode
    // 3); a drum spelt otherwise is another model.
    ChangeLevel("de_aztec");
    EXPECT_EQ(Models("models/props_junk/a.mdl"), 0);
    EXPECT_EQ(Models(kDrum), 1);
    EXPECT_EQ(Models(kTire), 1) << "de_dust2's list is de_dust2's";
    Console("tk_removals 3");
    ChangeLevel("de_aztec");
    EXPECT_EQ(Models(kDrum), 0);
    EXPECT_EQ(Models("models/props_c17/OilDrum001.mdl"), 1);
    EXPECT_EQ(Models(kTire), 1);
    EXPECT_EQ(Classes("worldspawn"), 1);
}

TEST_F(MapEntityEditorFeature, AChangeShowsAtTheNextRequestAndEveryTextHandedOutStaysReadable) {
    Start();
    Console("tk_removals 1");
    ChangeLevel("de_dust2");
    const char* junkless = EngineText();
    ASSERT_NE(junkless, nullptr);
    const std::string junklessText = junkless;
    EXPECT_EQ(junklessText.find("props_junk"), std::string::npos);
    EXPECT_NE(junklessText.find(kDrum), std::string::npos);
    EXPECT_EQ(EngineText(), junkless) << "filtered once, then handed out again";

    Console("tk_removals 3");
    EXPECT_EQ(Models(kDrum), 2);
    const char* bare = EngineText();
    EXPECT_EQ(std::string(bare).find(kDrum), std::string::npos);
    EXPECT_EQ(std::string(junkless), junklessText) << "the earlier text is still whole";

    // The same map again is not filtered again.
    ChangeLevel("de_dust2");
    EXPECT_EQ(EngineText(), bare);
    EXPECT_EQ(Models(kDrum), 0);

    // Switched off, the engine's own text comes back.
    Console("tk_removals 0");
    EXPECT_EQ(ConsoleCount(kDisabled), 1);
    EXPECT_NE(std::string(EngineText()).find(kDrum), std::string::npos);
    EXPECT_EQ(std::string(bare).find(kDrum), std::string::npos);
    ChangeLevel("de_dust2");
    EXPECT_EQ(Models(kDrum), 2);
    EXPECT_EQ(Models(kCrate), 1);
}

TEST_F(MapEntityEditorFeature, TheSwitchTellsEveryoneOnlyOfRealChangesWhileActive) {
    Start();
    sim::Client& alice = Connect("alice");
    Console("tk_removals 1");
    Console("tk_removals 1");
    Console("tk_removals 2");
    Console("tk_removals 3");
    Console("tk_removals 0");
    Console("tk_removals 0");
    const std::vector<std::string> expected = {kJunkOnly, kDrumsOnly, kBoth, kOff};
    std::vector<std::string> seen;
    for (const std::string& chat : ChatOf(alice)) {
        if (chat.find("Removals") != std::string::npos) {
            seen.push_back(chat);
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(ConsoleCount(kEnabled), 1);
    EXPECT_EQ(ConsoleCount(kDisabled), 1);

    // Inactive: no word and no hook; activation installs it.
    Console("tk_active 0");
    ClearConsole();
    Console("tk_removals 3");
    EXPECT_FALSE(ConsoleHas(kEnabled));
    ChangeLevel("de_dust2");
    EXPECT_EQ(Models(kDrum), 2);
    Console("tk_active 1");
    EXPECT_EQ(ConsoleCount(kEnabled), 1);
    ChangeLevel("de_dust2");
    EXPECT_EQ(Models(kDrum), 0);
    Console("tk_active 0");
    EXPECT_EQ(ConsoleCount(kDisabled), 1);
}

TEST_F(MapEntityEditorFeature, HostileTextsReachTheGameAsTheGameWouldReadThem) {
    const std::string head =
        "{ \"classname\" \"worldspawn\" }\n"
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_junk/a}{.mdl\" }\n"
        "{ \"classname\" \"info_target\" \"message\" \"} {\" }\n";
    const std::string unclosed =
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_junk/b.mdl\"";
    const std::string openQuote =
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_c17/oildrum001.mdl }\n";
    folder.WriteFile("maps/de_aztec.ent", head + unclosed);
    folder.WriteFile("maps/cs_italy.ent", head + openQuote + "{ \"classname\" \"x\" }");
    folder.WriteFile(
        "maps/cs_office.ent",
        head + std::string("\0", 1) +
            "{ \"classname\" \"prop_physics\" \"model\" \"models/props_junk/c.mdl\" }");
    Start();
    Console("tk_removals 3");
    const std::string kept =
        "{ \"classname\" \"worldspawn\" }\n"
        "{ \"classname\" \"info_target\" \"message\" \"} {\" }\n";
    ChangeLevel("de_aztec");
    EXPECT_EQ(std::string(EngineText()), kept + unclosed);
    EXPECT_EQ(Models("models/props_junk/a}{.mdl"), 0);
    EXPECT_EQ(Classes("info_target"), 1);
    ChangeLevel("cs_italy");
    EXPECT_EQ(std::string(EngineText()), kept + openQuote + "{ \"classname\" \"x\" }");
    ChangeLevel("cs_office");
    EXPECT_EQ(std::string(EngineText()), kept) << "the game reads up to the first NUL";
    EXPECT_EQ(Classes("worldspawn"), 1);
}

}  // namespace
