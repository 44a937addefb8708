// de_train's area rule on its own: which eye and bomb points it refuses
// before the sight trace is asked.
#include <gtest/gtest.h>

#include <cmath>

#include "fixes/DefuseFix.h"

namespace {

bool CanDefuse(Vector eye, Vector bomb) {
    return DefuseFix::TrainCanDefuse(eye, bomb);
}

TEST(DefuseFixTrainUnit, SiteAsCarRefusesEyesBelowAndBesideIt) {
    const Vector bomb(1000, -150, -100);
    EXPECT_FALSE(CanDefuse(Vector(1000, -300, -120), bomb));
    EXPECT_TRUE(CanDefuse(Vector(1000, -150, -120), bomb)) << "within the car's width";
    EXPECT_TRUE(CanDefuse(Vector(1000, -300, -110), bomb)) << "at the deck's eye height";
    EXPECT_FALSE(CanDefuse(Vector(1000, -300, -110.01f), bomb));
    EXPECT_TRUE(CanDefuse(Vector(1000, -226, -300), bomb)) << "the width's edges count";
    EXPECT_TRUE(CanDefuse(Vector(1000, -96, -300), bomb));
    EXPECT_FALSE(CanDefuse(Vector(1000, -95.9f, -300), bomb));
}

TEST(DefuseFixTrainUnit, ABombBelowTheDeckOrOutsideTheCarsIsLeftToTheTrace) {
    const Vector below(1000, -300, -300);
    EXPECT_TRUE(CanDefuse(below, Vector(1000, -150, -200))) << "under site A's deck";
    EXPECT_FALSE(CanDefuse(below, Vector(1000, -150, -155))) << "the deck's height counts";
    EXPECT_TRUE(CanDefuse(below, Vector(1000, -150, -155.01f)));
    EXPECT_TRUE(CanDefuse(below, Vector(964.9f, -150, -100))) << "west of the car";
    EXPECT_FALSE(CanDefuse(below, Vector(965, -226, -100))) << "its corners are in";
    EXPECT_FALSE(CanDefuse(below, Vector(1635, -96, -100)));
    EXPECT_TRUE(CanDefuse(below, Vector(1635.1f, -96, -100)));
    EXPECT_TRUE(CanDefuse(below, Vector(0, 0, 0))) << "in neither area";
}

TEST(DefuseFixTrainUnit, SiteBsCarHasItsOwnHeights) {
    const Vector bomb(0, -1300, -280);
    EXPECT_FALSE(CanDefuse(Vector(0, -1400, -260), bomb));
    EXPECT_TRUE(CanDefuse(Vector(0, -1400, -250), bomb));
    EXPECT_TRUE(CanDefuse(Vector(0, -1214, -400), bomb));
    EXPECT_FALSE(CanDefuse(Vector(0, -1213, -400), bomb));
    EXPECT_TRUE(CanDefuse(Vector(0, -1400, -260), Vector(0, -1300, -291))) << "below its deck";
    EXPECT_FALSE(CanDefuse(Vector(0, -1400, -260), Vector(-305, -1344, -290)));
    EXPECT_TRUE(CanDefuse(Vector(0, -1400, -260), Vector(372, -1300, -280)));
    // The heights belong to their site: -200 is below A's deck but above B's.
    EXPECT_TRUE(CanDefuse(Vector(0, -1400, -200), bomb));
    EXPECT_FALSE(CanDefuse(Vector(1000, -300, -200), Vector(1000, -150, -100)));
}

TEST(DefuseFixTrainUnit, TheBoxIsSpannedByItsCornersInAnyOrder) {
    const Vector2D a(10, -5), b(-10, -5), c(-10, 5), d(10, 5);
    EXPECT_TRUE(DefuseFix::IsPointInside2DBox(Vector(0, 0, 1e9f), c, a, d, b));
    EXPECT_TRUE(DefuseFix::IsPointInside2DBox(Vector(-10, 5, 0), a, b, c, d));
    EXPECT_FALSE(DefuseFix::IsPointInside2DBox(Vector(10.5f, 0, 0), a, b, c, d));
    EXPECT_FALSE(DefuseFix::IsPointInside2DBox(Vector(0, -5.5f, 0), d, c, b, a));
    EXPECT_FALSE(DefuseFix::IsPointInside2DBox(Vector(NAN, 0, 0), a, b, c, d));
}

}  // namespace
