// The state of a switched hook: only a difference between wanted and
// installed is acted on, a failed installation changes nothing, and every
// change, and only a change, is announced once.
#include "core/SwitchedHook.h"

#include <gtest/gtest.h>

#include <string>

#include "SpewCapture.h"

namespace {

class SwitchedHookUnit : public ::testing::Test {
protected:
    std::string Console() const { return spew.Text(SPEW_MESSAGE); }

    bool Follow(SwitchedHook& hook, bool wanted) {
        return hook.Follow(
            wanted,
            [this] {
                ++installs;
                return installWorks;
            },
            [this] { ++removals; });
    }

    SpewCapture spew;
    int installs = 0;
    int removals = 0;
    bool installWorks = true;
};

TEST_F(SwitchedHookUnit, OnlyADifferenceIsActedOnAndAnnounced) {
    SwitchedHook hook("Voice");
    EXPECT_FALSE(Follow(hook, false));
    EXPECT_EQ(installs + removals, 0);
    EXPECT_EQ(Console(), "");

    EXPECT_TRUE(Follow(hook, true));
    EXPECT_FALSE(Follow(hook, true));
    EXPECT_TRUE(hook.IsInstalled());
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(Console(), "[Travik] Voice Hook Enabled\n");

    EXPECT_TRUE(Follow(hook, false));
    EXPECT_FALSE(Follow(hook, false));
    EXPECT_FALSE(hook.IsInstalled());
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(Console(), "[Travik] Voice Hook Enabled\n[Travik] Voice Hook Disabled\n");
}

TEST_F(SwitchedHookUnit, AHookThatCannotBeInstalledStaysOffSilentlyAndIsTriedAgain) {
    SwitchedHook hook("Movement");
    installWorks = false;
    EXPECT_FALSE(Follow(hook, true));
    EXPECT_FALSE(hook.IsInstalled());
    EXPECT_EQ(Console(), "");
    // Not installed, so nothing to remove when it is no longer wanted.
    EXPECT_FALSE(Follow(hook, false));
    EXPECT_EQ(removals, 0);

    installWorks = true;
    EXPECT_TRUE(Follow(hook, true));
    EXPECT_EQ(installs, 2);
    EXPECT_EQ(Console(), "[Travik] Movement Hook Enabled\n");
}

TEST_F(SwitchedHookUnit, UnloadRemovesSilentlyAndAHookWithoutLabelNeverSpeaks) {
    SwitchedHook hook("Net");
    Follow(hook, true);
    const std::string enabled = Console();
    hook.Unload([this] { ++removals; });
    hook.Unload([this] { ++removals; });
    EXPECT_EQ(removals, 1);
    EXPECT_FALSE(hook.IsInstalled());

    SwitchedHook quiet(nullptr);
    EXPECT_TRUE(Follow(quiet, true));
    EXPECT_TRUE(Follow(quiet, false));
    EXPECT_EQ(Console(), enabled);
    EXPECT_EQ(enabled, "[Travik] Net Hook Enabled\n");
}

}  // namespace
