// The operator's scanning list file: what it accepts and what it refuses.
#include <gtest/gtest.h>

#include "enforcement/ScanListFile.h"

namespace {

using Kind = ScanListFile::Kind;

TEST(ScanListFileUnit, EveryKindWithItsWords) {
    std::vector<std::string> errors;
    const auto entries = ScanListFile::Parse(
        "// comment\n"
        "\n"
        "plain cl_interpolate 1 optional\r\n"
        "  ranged\tmat_picmip 0 - 3\n"
        "ranged rate 0 5000 -\n"
        "cheat r_drawothermodels 1\n"
        "fps fps_max",
        errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].kind, Kind::Plain);
    EXPECT_FALSE(entries[0].mustExist);
    EXPECT_EQ(entries[0].value, "1");
    EXPECT_EQ(entries[1].kind, Kind::Ranged);
    EXPECT_FALSE(entries[1].hasMin);
    EXPECT_TRUE(entries[1].hasMax);
    EXPECT_EQ(entries[1].max, 3.0f);
    EXPECT_TRUE(entries[2].hasMin && !entries[2].hasMax);
    EXPECT_EQ(entries[3].kind, Kind::Cheat);
    EXPECT_TRUE(entries[3].mustExist);
    EXPECT_EQ(entries[4].kind, Kind::Fps);
    EXPECT_EQ(entries[4].name, "fps_max");
}

TEST(ScanListFileUnit, EachBadLineIsNamedAndTheFileIsNotUsed) {
    std::vector<std::string> errors;
    const auto entries = ScanListFile::Parse(
        "plain cl_interpolate 1\n"
        "wallhack r_drawothermodels 1\n"
        "cheat r_drawothermodels\n"
        "cheat r_draw;quit 1\n"
        "plain cl_minmodels zero\n"
        "ranged mat_picmip 0 - -\n"
        "ranged mat_picmip 0 4 3\n"
        "ranged mat_picmip 0 x 3\n"
        "plain cl_minmodels nan\n",
        errors);
    EXPECT_TRUE(entries.empty());
    const std::vector<std::string> expected = {
        "line 2: the kind is not plain, ranged, cheat or fps",
        "line 3: wrong number of words for its kind",
        "line 4: not a variable name",
        "line 5: the value is not a number",
        "line 6: a ranged entry needs a bound",
        "line 7: the minimum is above the maximum",
        "line 8: a bound is neither a number nor \"-\"",
        "line 9: the value is not a number",
    };
    EXPECT_EQ(errors, expected);
}

TEST(ScanListFileUnit, AFileWithoutEntriesOrWithTooManyIsRefused) {
    std::vector<std::string> errors;
    EXPECT_TRUE(ScanListFile::Parse("// nothing\n\n", errors).empty());
    EXPECT_EQ(errors, std::vector<std::string>{"no entries"});
    errors.clear();
    std::string many;
    for (size_t i = 0; i <= ScanListFile::kMaxEntries; ++i) {
        many += "cheat mat_wireframe 0\n";
    }
    EXPECT_TRUE(ScanListFile::Parse(many, errors).empty());
    EXPECT_EQ(errors, std::vector<std::string>{"line 257: more than 256 entries"});
}

}  // namespace
