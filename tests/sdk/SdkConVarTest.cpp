// Console variables: values, bounds, flags and the change-callback contract.
#include <gtest/gtest.h>
#include <tier1/convar.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct CallbackRecord {
    std::string oldValue;
    float oldFloat;
    std::string valueSeen;  // the variable's text inside the callback
};

std::vector<CallbackRecord> s_calls;

// Values are read with the C library's atof. glibc reads C99's hexadecimal
// numbers, infinity and NaN; Microsoft's C runtime (msvcrt), which the
// Windows server's modules and the Windows build read with, reads decimal
// numbers only, so "0x10" is its leading 0 there and "inf" no number.
#ifdef _WIN32
constexpr bool kC99Numbers = false;
#else
constexpr bool kC99Numbers = true;
#endif

void Record(IConVar* var, const char* oldValue, float oldFloat) {
    s_calls.push_back({oldValue, oldFloat, static_cast<ConVar*>(var)->GetString()});
}

void OtherCallback(IConVar*, const char*, float) {
    s_calls.push_back({"other", 0.0f, ""});
}

class SdkConVar : public ::testing::Test {
protected:
    void SetUp() override { s_calls.clear(); }
};

TEST_F(SdkConVar, CallbackRunsAfterTheStoreWithTheOldTextAndNumber) {
    ConVar var("sdk_cv_a", "1", 0, "help", Record);
    var.SetValue("2.5");
    ASSERT_EQ(s_calls.size(), 1u);
    EXPECT_EQ(s_calls[0].oldValue, "1");
    EXPECT_EQ(s_calls[0].oldFloat, 1.0f);
    EXPECT_EQ(s_calls[0].valueSeen, "2.5");
    EXPECT_EQ(var.GetFloat(), 2.5f);
    EXPECT_EQ(var.GetInt(), 2);

    var.SetValue(7);
    var.SetValue(0.25f);
    ASSERT_EQ(s_calls.size(), 3u);
    EXPECT_EQ(s_calls[1].oldValue, "2.5");
    EXPECT_EQ(s_calls[2].oldValue, "7");
    EXPECT_EQ(s_calls[2].oldFloat, 7.0f);
    EXPECT_EQ(s_calls[2].valueSeen, "0.250000");
    EXPECT_STREQ(var.GetString(), "0.250000");
}

TEST_F(SdkConVar, ATextSetRunsTheCallbackWhenNothingChangesANumberSetDoesNot) {
    ConVar var("sdk_cv_b", "1", 0, "help", Record);
    var.SetValue("1");
    ASSERT_EQ(s_calls.size(), 1u);
    EXPECT_EQ(s_calls[0].oldValue, "1");
    EXPECT_EQ(s_calls[0].valueSeen, "1");
    var.SetValue(1);
    var.SetValue(1.0f);
    EXPECT_EQ(s_calls.size(), 1u);
    EXPECT_STREQ(var.GetString(), "1") << "an unchanged number keeps the text as typed";
    var.SetValue(2.0f);
    EXPECT_STREQ(var.GetString(), "2.000000");
    var.SetValue(3);
    EXPECT_STREQ(var.GetString(), "3");
    EXPECT_EQ(s_calls.size(), 3u);

    // The int set compares with the int: 0.5 holds 0, so 0 is no change.
    var.SetValue("0.5");
    var.SetValue(0);
    EXPECT_STREQ(var.GetString(), "0.5");
    EXPECT_EQ(s_calls.size(), 4u);
}

TEST_F(SdkConVar, NumberSetsCompareBeforeClampingAndStoreTheClampedNumber) {
    ConVar var("sdk_cv_b2", "10", 0, "help", true, 0.0f, true, 10.0f, Record);
    var.SetValue(15.0f);  // 15 is not the held 10, so it is set, clamped to 10
    ASSERT_EQ(s_calls.size(), 1u);
    EXPECT_STREQ(var.GetString(), "10.000000");
    var.SetValue(25);
    ASSERT_EQ(s_calls.size(), 2u);
    EXPECT_STREQ(var.GetString(), "10");
    EXPECT_EQ(var.GetInt(), 10);
    var.SetValue(-7);
    EXPECT_STREQ(var.GetString(), "0");
    EXPECT_EQ(var.GetFloat(), 0.0f);
}

// A callback that corrects the value from inside, as a locked variable's does;
// the corrected text is long enough to move the variable's storage.
std::string s_outerOldValue;

void Correct(IConVar* var, const char* oldValue, float oldFloat) {
    Record(var, oldValue, oldFloat);
    if (s_calls.size() == 1) {
        var->SetValue(std::string(1000, 'y').c_str());
        s_outerOldValue = oldValue;  // read after the nested set
    }
}

TEST_F(SdkConVar, SetInsideTheCallbackNestsAndKeepsTheOuterOldText) {
    ConVar var("sdk_cv_c", "short", 0, "help", Correct);
    var.SetValue(std::string(100, 'x').c_str());
    ASSERT_EQ(s_calls.size(), 2u);
    EXPECT_EQ(s_calls[0].oldValue, "short");
    EXPECT_EQ(s_calls[0].valueSeen, std::string(100, 'x'));
    // The nested call sees the outer's new value as its old one.
    EXPECT_EQ(s_calls[1].oldValue, std::string(100, 'x'));
    EXPECT_EQ(s_calls[1].valueSeen, std::string(1000, 'y'));
    EXPECT_EQ(s_outerOldValue, "short");
    EXPECT_EQ(std::string(var.GetString()), std::string(1000, 'y'));
}

TEST_F(SdkConVar, SettingItsOwnTextKeepsItIntact) {
    ConVar var("sdk_cv_d", "some longer value", 0, "help", Record);
    var.SetValue(var.GetString());
    EXPECT_STREQ(var.GetString(), "some longer value");
    ASSERT_EQ(s_calls.size(), 1u);
    EXPECT_EQ(s_calls[0].oldValue, "some longer value");
}

TEST_F(SdkConVar, BoundsClampEverySetAndStoreTheBound) {
    ConVar var("sdk_cv_e", "5", 0, "help", true, 0.0f, true, 10.0f, Record);
    var.SetValue("-5");
    EXPECT_STREQ(var.GetString(), "0.000000");
    EXPECT_EQ(var.GetFloat(), 0.0f);
    var.SetValue("15");
    EXPECT_STREQ(var.GetString(), "10.000000");
    EXPECT_EQ(var.GetInt(), 10);
    var.SetValue(12.5f);
    EXPECT_STREQ(var.GetString(), "10.000000");
    var.SetValue(-3);
    EXPECT_STREQ(var.GetString(), "0");
    EXPECT_EQ(s_calls.size(), 4u);

    ConVar fractional("sdk_cv_f", "1", 0, "help", true, 0.1f, false, 0.0f);
    fractional.SetValue("0.05");
    EXPECT_STREQ(fractional.GetString(), "0.100000");
    EXPECT_EQ(fractional.GetFloat(), 0.1f);
}

TEST_F(SdkConVar, MinimumIsAppliedBeforeMaximum) {
    // Inverted bounds: the maximum, applied last, wins.
    ConVar var("sdk_cv_g", "4", 0, "help", true, 5.0f, true, 3.0f);
    var.SetValue("4");
    EXPECT_STREQ(var.GetString(), "3.000000");
}

TEST_F(SdkConVar, DefaultIsHeldToTheBounds) {
    ConVar var("sdk_cv_h", "50", 0, "help", true, 0.0f, true, 10.0f);
    EXPECT_STREQ(var.GetString(), "10.000000");
    EXPECT_STREQ(var.GetDefault(), "50");
    float max = 0.0f;
    EXPECT_TRUE(var.GetMax(max));
    EXPECT_EQ(max, 10.0f);
}

TEST_F(SdkConVar, TextInsideTheBoundsIsKeptAsGiven) {
    ConVar var("sdk_cv_i", "0", 0, "help", true, 0.0f, true, 2.0f);
    var.SetValue("1.0");
    EXPECT_STREQ(var.GetString(), "1.0");
    EXPECT_EQ(var.GetInt(), 1);
    EXPECT_TRUE(var.GetBool());
}

TEST_F(SdkConVar, TextThatIsNotANumberCountsAsZero) {
    ConVar var("sdk_cv_j", "1");
    const struct {
        const char* text;
        float value;
    } cases[] = {{"abc", 0.0f},
                 {"12abc", 12.0f},
                 {"  7", 7.0f},
                 {"+3", 3.0f},
                 {"-.5", -0.5f},
                 {"0x10", kC99Numbers ? 16.0f : 0.0f},
                 {"1e3", 1000.0f},
                 {"0x1p4", kC99Numbers ? 16.0f : 0.0f},
                 {"-0X1f", kC99Numbers ? -31.0f : 0.0f},
                 {"", 0.0f},
                 {".", 0.0f},
                 {"e5", 0.0f}};
    for (const auto& c : cases) {
        var.SetValue(c.text);
        EXPECT_EQ(var.GetFloat(), c.value) << c.text;
        EXPECT_STREQ(var.GetString(), c.text);
    }
    ConVar bounded("sdk_cv_k", "5", 0, "help", true, 1.0f, false, 0.0f);
    bounded.SetValue("abc");
    EXPECT_STREQ(bounded.GetString(), "1.000000");
}

TEST_F(SdkConVar, NanAndInfinityAreNumbersNanPassesTheBounds) {
    ConVar var("sdk_cv_l", "0");
    var.SetValue("1e40");
    EXPECT_EQ(var.GetFloat(), HUGE_VALF) << "beyond the float range";
    EXPECT_EQ(var.GetInt(), INT_MAX);
    EXPECT_STREQ(var.GetString(), "1e40");
    var.SetValue("-inf");
    EXPECT_EQ(var.GetFloat(), kC99Numbers ? -HUGE_VALF : 0.0f);
    EXPECT_EQ(var.GetInt(), kC99Numbers ? INT_MIN : 0);
    var.SetValue("NaN");
    EXPECT_EQ(std::isnan(var.GetFloat()), kC99Numbers);
    EXPECT_EQ(var.GetInt(), 0);
    var.SetValue(std::nanf(""));
    EXPECT_TRUE(std::isnan(var.GetFloat()));
    EXPECT_STREQ(var.GetString(), "nan");

    // Every comparison with NaN is false, so no bound catches it; infinity
    // is clamped like any number.
    // (Where the texts are no numbers, they count as 0, below the bound.)
    ConVar bounded("sdk_cv_l2", "5", 0, "help", true, 1.0f, true, 100.0f, Record);
    bounded.SetValue("nan");
    EXPECT_EQ(std::isnan(bounded.GetFloat()), kC99Numbers);
    EXPECT_STREQ(bounded.GetString(), kC99Numbers ? "nan" : "1.000000");
    bounded.SetValue(std::nanf(""));
    EXPECT_TRUE(std::isnan(bounded.GetFloat()));
    EXPECT_STREQ(bounded.GetString(), "nan");
    bounded.SetValue("inf");
    EXPECT_EQ(bounded.GetFloat(), kC99Numbers ? 100.0f : 1.0f);
    EXPECT_STREQ(bounded.GetString(), kC99Numbers ? "100.000000" : "1.000000");
    bounded.SetValue("-1e40");
    EXPECT_STREQ(bounded.GetString(), "1.000000");
    bounded.SetValue("0x100");
    EXPECT_STREQ(bounded.GetString(), kC99Numbers ? "100.000000" : "1.000000");
    bounded.SetValue(HUGE_VALF);
    EXPECT_STREQ(bounded.GetString(), "100.000000");
    EXPECT_EQ(s_calls.size(), 6u);
}

TEST_F(SdkConVar, OneCallbackSlotInstallingReplacesWithoutCalling) {
    ConVar var("sdk_cv_m", "1", 0, "help", Record);
    var.InstallChangeCallback(OtherCallback);
    EXPECT_TRUE(s_calls.empty());
    EXPECT_EQ(var.GetChangeCallback(), OtherCallback);
    var.SetValue("2");
    ASSERT_EQ(s_calls.size(), 1u);
    EXPECT_EQ(s_calls[0].oldValue, "other");
    var.InstallChangeCallback(nullptr);
    var.SetValue("3");
    EXPECT_EQ(s_calls.size(), 1u);
}

TEST_F(SdkConVar, FlagsCanBeAddedAndRemoved) {
    ConVar var("sdk_cv_n", "1", FCVAR_CHEAT);
    var.AddFlags(FCVAR_NOTIFY | FCVAR_REPLICATED);
    EXPECT_TRUE(var.IsFlagSet(FCVAR_NOTIFY));
    EXPECT_TRUE(var.IsFlagSet(FCVAR_REPLICATED));
    var.RemoveFlags(FCVAR_NOTIFY | FCVAR_CHEAT);
    EXPECT_FALSE(var.IsFlagSet(FCVAR_NOTIFY));
    EXPECT_FALSE(var.IsFlagSet(FCVAR_CHEAT));
    EXPECT_EQ(var.GetFlags(), FCVAR_REPLICATED);
    // The same answer through the interface a callback gets.
    IConVar* iface = &var;
    EXPECT_TRUE(iface->IsFlagSet(FCVAR_REPLICATED));
    EXPECT_STREQ(iface->GetName(), "sdk_cv_n");
}

TEST_F(SdkConVar, RevertSetsTheDefaultThroughTheSamePath) {
    ConVar var("sdk_cv_o", "4", 0, "help", Record);
    var.SetValue("9");
    var.Revert();
    EXPECT_STREQ(var.GetString(), "4");
    ASSERT_EQ(s_calls.size(), 2u);
    EXPECT_EQ(s_calls[1].oldValue, "9");
}

TEST_F(SdkConVar, UnnamedAndNullValuesAreSafe) {
    ConVar var(nullptr, nullptr);
    EXPECT_STREQ(var.GetName(), "");
    EXPECT_STREQ(var.GetString(), "");
    EXPECT_STREQ(var.GetHelpText(), "");
    var.SetValue(static_cast<const char*>(nullptr));
    EXPECT_STREQ(var.GetString(), "");
}

}  // namespace
