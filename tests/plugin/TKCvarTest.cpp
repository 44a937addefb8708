// How a list entry judges one answer.
#include <gtest/gtest.h>

#include "enforcement/TKCvar.h"

namespace {

cvarValueCompare_t Check(const TKCvar& entry, const char* answer) {
    return entry.CheckValue(answer, CvarAnswerValue(answer));
}

TEST(TKCvarUnit, AnAnswerMatchesByItsNumberOrItsText) {
    const TKCvar one("cl_interpolate", "1", {}, false, false, nullptr);
    for (const char* answer : {"1", "1.0", "01", "1.000"}) {
        EXPECT_EQ(Check(one, answer), CVAR_ACCEPTABLE) << answer;
    }
    EXPECT_EQ(Check(one, "0"), CVAR_NOT_DEFAULT);
    EXPECT_EQ(Check(one, "junk"), CVAR_NOT_DEFAULT);
    // A default the number reader does not see whole still matches its text.
    const TKCvar odd("mat_softwarelighting", "0.0f", {}, true, true, nullptr);
    EXPECT_EQ(Check(odd, "0.0f"), CVAR_ACCEPTABLE);
    EXPECT_EQ(Check(odd, "0"), CVAR_ACCEPTABLE);
    EXPECT_EQ(Check(odd, "1"), CVAR_NOT_DEFAULT);
}

TEST(TKCvarUnit, BoundsDecideAloneAndAreInclusive) {
    const TKCvar atMost3("mat_picmip", "0", {false, 0.0f, true, 3.0f}, true, false, nullptr);
    EXPECT_EQ(Check(atMost3, "3.0"), CVAR_ACCEPTABLE);
    EXPECT_EQ(Check(atMost3, "-2"), CVAR_ACCEPTABLE);
    EXPECT_EQ(Check(atMost3, "3.01"), CVAR_ABOVE_MAXIMUM);
    const TKCvar between("rate", "0", {true, 1.0f, true, 2.0f}, true, false, nullptr);
    EXPECT_EQ(Check(between, "0.99"), CVAR_BELOW_MINIMUM);
    EXPECT_EQ(Check(between, "1"), CVAR_ACCEPTABLE);
    EXPECT_EQ(Check(between, "2.5"), CVAR_ABOVE_MAXIMUM);
    // A hostile answer that is no number at all stays outside the range.
    EXPECT_EQ(Check(atMost3, "nan"), CVAR_ABOVE_MAXIMUM);
    EXPECT_EQ(Check(between, "-nan"), CVAR_ABOVE_MAXIMUM);
    const TKCvar atLeast1("rate", "0", {true, 1.0f, false, 0.0f}, true, false, nullptr);
    EXPECT_EQ(Check(atLeast1, "nan"), CVAR_BELOW_MINIMUM);
    EXPECT_EQ(Check(atMost3, "inf"), CVAR_ABOVE_MAXIMUM);
}

TEST(TKCvarUnit, ANameIsCutToItsField) {
    const std::string longName(100, 'x');
    const TKCvar entry(longName.c_str(), nullptr, {}, false, false, nullptr);
    EXPECT_EQ(std::string(entry.GetName()), longName.substr(0, TKCvar::kNameSize - 1));
    EXPECT_EQ(entry.GetDefaultText(), nullptr);
    EXPECT_EQ(entry.GetDefaultValue(), 0.0f);
}

}  // namespace
