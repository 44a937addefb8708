// The map entity filter on texts a map from anywhere may carry, and the
// removal lists of each mode.
#include "fixes/EntityTextFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fixes/MapEntityEditor.h"

namespace {

bool IsJunk(std::string_view model) {
    return model.find("props_junk/") != std::string_view::npos;
}

// The filter's output, checked against its bounds: never longer than the
// input, terminated right after what it wrote, and the bytes past the
// terminator untouched.
std::string Filter(std::string_view text) {
    std::vector<char> out(text.size() + 2, '#');
    const std::size_t written = FilterEntityText(text, out.data(), IsJunk);
    EXPECT_LE(written, text.size());
    EXPECT_EQ(out[written], '\0');
    EXPECT_EQ(out[text.size() + 1], '#') << "wrote past its buffer";
    return std::string(out.data(), written);
}

const std::string kCrate =
    "{\n\"classname\" \"prop_physics\"\n\"model\" \"models/props_junk/crate.mdl\"\n}";
const std::string kSpawn = "{\n\"classname\" \"info_player_terrorist\"\n\"origin\" \"1 2 3\"\n}";

TEST(EntityTextFilterUnit, DropsAListedBlockWithTheLineBreakBeforeItAndKeepsTheRest) {
    EXPECT_EQ(Filter(kSpawn + "\n" + kCrate + "\n" + kSpawn + "\n"), kSpawn + "\n" + kSpawn + "\n");
    // The trailing text is kept, and a text without a final line break
    // ends where it ended.
    EXPECT_EQ(Filter(kSpawn + "\n" + kCrate), kSpawn);
    EXPECT_EQ(Filter(kCrate + "\n" + kSpawn), "\n" + kSpawn);
    EXPECT_EQ(Filter(kCrate + kCrate + "\n\n"), "\n\n");
    EXPECT_EQ(Filter(""), "");
    EXPECT_EQ(Filter("  \n"), "  \n");
}

TEST(EntityTextFilterUnit, ReadsTheModelAsTheGameDoes) {
    // Only the "model" key, and its first value: a value that reads
    // "model" is no key.
    EXPECT_EQ(Filter("{ \"targetname\" \"model\" \"origin\" \"models/props_junk/a.mdl\" }"),
              "{ \"targetname\" \"model\" \"origin\" \"models/props_junk/a.mdl\" }");
    EXPECT_EQ(Filter("{ \"model\" \"keep.mdl\" \"model\" \"models/props_junk/a.mdl\" }"),
              "{ \"model\" \"keep.mdl\" \"model\" \"models/props_junk/a.mdl\" }");
    EXPECT_EQ(Filter("{ \"Model\" \"models/props_junk/a.mdl\" }"),
              "{ \"Model\" \"models/props_junk/a.mdl\" }");
    // Plain words are words too.
    EXPECT_EQ(Filter("{ classname prop_physics model models/props_junk/a.mdl }x"), "x");
    EXPECT_EQ(Filter("{}{ \"model\" \"\" }"), "{}{ \"model\" \"\" }");
}

TEST(EntityTextFilterUnit, BracesInsideQuotesAndCommentsDoNotOpenOrCloseBlocks) {
    const std::string braced = "{ \"model\" \"models/props_junk/}{.mdl\" \"note\" \"}\" }";
    EXPECT_EQ(Filter(kSpawn + braced + kSpawn), kSpawn + kSpawn);
    const std::string kept = "{ \"message\" \"a } b { c\" \"model\" \"keep.mdl\" }";
    EXPECT_EQ(Filter(kept + kCrate), kept);
    const std::string comment = "// a { comment \" with } braces\n";
    EXPECT_EQ(Filter(comment + kCrate + "\n" + comment + kSpawn), "\n" + comment + kSpawn)
        << "a comment goes with the block after it";
    EXPECT_EQ(Filter("{ // } \n \"model\" \"models/props_junk/a.mdl\" }\n"), "\n");
}

TEST(EntityTextFilterUnit, WhatTheGameCannotReadIsPassedOnUnchangedFromWhereItStarts) {
    const std::vector<std::string> unreadable = {
        "{ \"classname\" \"prop_physics\" \"model\" \"models/props_junk/a.mdl\"",  // never closed
        "{ \"model\" \"models/props_junk/a.mdl }",                                 // quote open
        "{ \"model\" }",                                                           // no value
        "{ \"model\" { \"models/props_junk/a.mdl\" }",
        "{ { \"model\" \"models/props_junk/a.mdl\" } }",
        "stray { \"model\" \"models/props_junk/a.mdl\" }",
        "\"quoted\" { \"model\" \"models/props_junk/a.mdl\" }",
        "}",
        "{",
        "{ \"model\" \"models/props_junk/a.mdl\" \"",
    };
    for (const std::string& tail : unreadable) {
        EXPECT_EQ(Filter(kSpawn + kCrate + "\n" + tail + kCrate), kSpawn + "\n" + tail + kCrate)
            << tail;
        EXPECT_EQ(Filter(tail), tail);
    }
}

TEST(EntityTextFilterUnit, AModelValueRunningOverALineEndIsKept) {
    // Its closing quote is lost: the value swallows the next block's start.
    const std::string text =
        "{ \"model\" \"models/props_junk/a.mdl\n}\n{ \"classname\" \"x\" \"model\" \"y\" }\n";
    EXPECT_EQ(Filter(text), text);
}

TEST(EntityTextFilterUnit, NulBytesAndHighBytesAreOrdinaryBytes) {
    const std::string withNul = std::string("{ \"model\" \"models/props_junk/a\0b.mdl\" }\0", 40) +
                                kSpawn + std::string("\0", 1);
    EXPECT_EQ(Filter(withNul), std::string("\0", 1) + kSpawn + std::string("\0", 1));
    const std::string high = "{ \"model\" \"\xff\xfe\" }\xff";
    EXPECT_EQ(Filter(high), high);
}

TEST(EntityTextFilterUnit, ASeveralMegabyteTextIsFilteredInOnePieceWithinItsBuffer) {
    std::string text;
    std::string expected;
    for (int i = 0; text.size() < 4u << 20; ++i) {
        text += kSpawn + "\n" + kCrate + "\n";
        expected += kSpawn + "\n";
    }
    // One long value and one long comment on top.
    const std::string longValue = "{ \"message\" \"" + std::string(1 << 20, 'v') + "\" }\n";
    const std::string longComment = "//" + std::string(1 << 20, '{') + "\n";
    EXPECT_EQ(Filter(text + longValue + longComment), expected + longValue + longComment);
    // The same text cut inside its last block keeps the cut block.
    const std::string cut = text.substr(0, text.size() - 10);
    EXPECT_EQ(Filter(cut), expected.substr(0, expected.size() - 1) +
                               cut.substr(text.size() - kCrate.size() - 2));
}

// ---- the removal lists -------------------------------------------------------

class MapEntityEditorUnit : public ::testing::Test {
protected:
    bool Removes(const char* map, int mode, const char* model) {
        MapEntityEditor editor;
        editor.OnLevelInit(map);
        editor.BuildRemovalLists(mode);
        return editor.ShouldFilterEntity(model);
    }
};

TEST_F(MapEntityEditorUnit, EachModeRemovesItsOwnKindOnMapsWithAndWithoutAList) {
    const char* const drum = "models/props_c17/oildrum001.mdl";
    const char* const junk = "models/props_junk/wood_crate001a.mdl";
    const char* const tire = "models/props_vehicles/carparts_tire01a.mdl";
    for (const char* map : {"de_dust2", "de_aztec"}) {
        EXPECT_FALSE(Removes(map, 0, drum) || Removes(map, 0, junk) || Removes(map, 0, tire));
        EXPECT_TRUE(Removes(map, 2, drum)) << map;
        EXPECT_FALSE(Removes(map, 2, junk) || Removes(map, 2, tire)) << map;
        EXPECT_FALSE(Removes(map, 1, drum)) << map;
        EXPECT_TRUE(Removes(map, 1, junk) && Removes(map, 3, junk) && Removes(map, 3, drum)) << map;
    }
    EXPECT_TRUE(Removes("de_dust2", 1, tire) && Removes("de_dust2", 3, tire));
    EXPECT_FALSE(Removes("de_aztec", 3, tire));
    // The map's name and the paths are compared exactly; junk anywhere in
    // the path.
    EXPECT_FALSE(Removes("DE_DUST2", 3, tire));
    EXPECT_FALSE(Removes("de_dust2", 3, "models/props_c17/OilDrum001.mdl"));
    EXPECT_TRUE(Removes("de_dust2", 1, "custom/models/props_junk/x.mdl"));
    EXPECT_TRUE(Removes("de_train", 3, "models/props/de_train/Barrel.mdl"));
    EXPECT_FALSE(Removes("de_train", 3, "models/props/de_train/barrel.mdl"));
    EXPECT_TRUE(Removes("de_nuke", 3, "models/props/de_train/barrel.mdl"));
}

TEST_F(MapEntityEditorUnit, TheListsHoldEveryMapsModels) {
    MapEntityEditor editor;
    const std::pair<const char*, std::size_t> counts[] = {
        {"de_cbble", 2}, {"de_dust2", 3},   {"de_inferno", 30}, {"de_losttemplepro", 1},
        {"de_nuke", 20}, {"de_season", 21}, {"de_train", 24},   {"cs_office", 0}};
    for (const auto& [map, count] : counts) {
        editor.OnLevelInit(map);
        editor.BuildRemovalLists(3);
        EXPECT_EQ(editor.RemovedModels().size(), count + 1) << map;
        EXPECT_EQ(editor.JunkPrefixes().size(), 1u);
    }
}

TEST_F(MapEntityEditorUnit, AMapNameIsKeptToItsFieldAndTheSameNameKeepsTheFilteredText) {
    MapEntityEditor editor;
    const std::string longName(300, 'm');
    editor.OnLevelInit(longName.c_str());
    EXPECT_EQ(std::string(editor.MapName()), longName.substr(0, 127));
    editor.OnLevelInit("de_dust2");
    editor.BuildRemovalLists(3);
    ASSERT_TRUE(editor.FilterEntityList((kSpawn + kCrate).c_str()));
    EXPECT_EQ(std::string(editor.Filtered()), kSpawn);
    const char* first = editor.Filtered();
    editor.OnLevelInit("de_dust2");
    EXPECT_EQ(editor.Filtered(), first);
    EXPECT_FALSE(editor.FilterEntityList(""));
    EXPECT_FALSE(editor.FilterEntityList(static_cast<const char*>(nullptr)));
    EXPECT_EQ(editor.Filtered(), nullptr);
}

}  // namespace
