// The map's entity text: read through the engine, spawned into entities,
// and never trusted.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "BaseEntity.h"
#include "EntityList.h"
#include "EntityTextParser.h"
#include "FakeEngine.h"
#include "MapSpawner.h"

using cstrike::EntityTextParser;

namespace {

const char* const kMap = R"(
{
"classname" "worldspawn"
"mapversion" "4"
}
// props beside the bomb site
{
"classname" "prop_physics_multiplayer"
"model" "models/props_c17/oildrum001.mdl"
"origin" "512 -128 0"
}
{
"classname" "prop_physics_multiplayer"
"model" "models/props_c17/oildrum001.mdl"
"origin" "544 -128 0"
"angles" "0 90 0"
}
{ classname info_player_terrorist origin "-512 0 64" }
{
"classname" "weapon_awp"
"origin" "0 0 0"
}
{
"model" "models/props_junk/no_class.mdl"
}
{
"classname" "player"
}
)";

class SrcdsSimGameMapEntities : public ::testing::Test {
protected:
    FakeEngine engine;
    cstrike::EntityList entities{engine};
    cstrike::MapSpawner spawner{entities};
};

TEST_F(SrcdsSimGameMapEntities, SpawnsWhatTheEngineTextDescribes) {
    engine.SetMapEntities(kMap);
    const cstrike::SpawnReport report = spawner.SpawnFromEngine(engine);
    EXPECT_EQ(engine.GetMapEntitiesCalls(), 1);
    EXPECT_EQ(report.error, "");
    EXPECT_EQ(report.spawned, 5);
    EXPECT_EQ(report.skipped, 2);  // no classname; a player
    EXPECT_EQ(entities.CountByModel("models/props_c17/oildrum001.mdl"), 2);
    EXPECT_EQ(entities.CountByClassname("player"), 0);
    ASSERT_NE(entities.ByIndex(0), nullptr);
    EXPECT_STREQ(entities.ByIndex(0)->GetClassname(), "worldspawn");

    CBaseEntity* spawn = nullptr;
    entities.ForEach([&](CBaseEntity& e) {
        if (std::string(e.GetClassname()) == "info_player_terrorist") {
            spawn = &e;
        }
    });
    ASSERT_NE(spawn, nullptr);
    EXPECT_EQ(spawn->GetAbsOrigin(), Vector(-512.0f, 0.0f, 64.0f));
}

TEST_F(SrcdsSimGameMapEntities, FaultsStopTheReadingAndKeepWhatCameBefore) {
    struct Case {
        const char* text;
        size_t blocks;
        int line;
    };
    const Case cases[] = {
        {"{ \"a\" \"1\" }\n{ \"b\" \"2 }", 1, 2},    // quote never closed
        {"{ \"a\" \"1\" }\n{ \"b\" \"2\"\n", 1, 3},  // block never closed
        {"{ \"a\" \"1\" }\n}\n", 1, 2},              // a stray brace
        {"{ \"a\" \"1\" }\nword\n", 1, 2},           // a word outside a block
        {"{ \"a\" }", 0, 1},                         // a key without a value
        {"{ \"a\" { }", 0, 1},                       // a brace for a value
        {"{ \"a\" \"1\" } {", 1, 1},                 // ends after an opening brace
    };
    for (const Case& c : cases) {
        const cstrike::EntityText parsed = EntityTextParser::Parse(c.text);
        EXPECT_FALSE(parsed.ok()) << c.text;
        EXPECT_EQ(parsed.blocks.size(), c.blocks) << c.text;
        EXPECT_EQ(parsed.errorLine, c.line) << c.text;
    }
    EXPECT_TRUE(EntityTextParser::Parse("").ok());
    EXPECT_TRUE(EntityTextParser::Parse("\n// only a comment").ok());
}

TEST_F(SrcdsSimGameMapEntities, SizesAreBounded) {
    const std::string longValue(EntityTextParser::kMaxValueLength + 1, 'x');
    EXPECT_FALSE(EntityTextParser::Parse("{ \"k\" \"" + longValue + "\" }").ok());
    EXPECT_TRUE(EntityTextParser::Parse("{ \"k\" \"" + longValue.substr(1) + "\" }").ok());
    std::string many = "{";
    for (size_t i = 0; i <= EntityTextParser::kMaxPairs; ++i) {
        many += " k v";
    }
    EXPECT_FALSE(EntityTextParser::Parse(many + " }").ok());
}

TEST_F(SrcdsSimGameMapEntities, RunningOutOfEdictsSkipsTheRest) {
    std::string text;
    for (int i = 0; i < MAX_EDICTS; ++i) {
        text += "{ \"classname\" \"info_target\" }\n";
    }
    const cstrike::SpawnReport report = spawner.Spawn(text);
    EXPECT_EQ(report.spawned, MAX_EDICTS - 33);  // the world and 32 client slots are taken
    EXPECT_EQ(report.skipped, 33);
}

TEST_F(SrcdsSimGameMapEntities, ArbitraryBytesNeverBreakTheReader) {
    std::mt19937 random(1234);
    const std::string alphabet = "{}\"/ \n\tab\x01\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 64, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        const cstrike::EntityText parsed = EntityTextParser::Parse(text);
        EXPECT_TRUE(parsed.ok() || parsed.errorLine >= 1);
        spawner.Spawn(text);
    }
}

TEST_F(SrcdsSimGameMapEntities, VectorsNeedThreeFiniteNumbers) {
    EXPECT_EQ(cstrike::ParseVector("1 2.5 -3"), Vector(1.0f, 2.5f, -3.0f));
    EXPECT_EQ(cstrike::ParseVector("1 2"), Vector());
    EXPECT_EQ(cstrike::ParseVector("nan 1 2"), Vector());
    EXPECT_EQ(cstrike::ParseVector("1e39 1 2"), Vector());
    EXPECT_EQ(cstrike::ParseVector(""), Vector());
}

}  // namespace
