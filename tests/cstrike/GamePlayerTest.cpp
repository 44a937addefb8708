// Player state fed by clients and rules: interpolation, money, weapons and
// what rides on the player.
#include <climits>

#include "GameFixture.h"

namespace {

class SrcdsSimGamePlayer : public GameFixture {
protected:
    void SetUp() override {
        rules.LevelInit();
        player = AddPlayer(1, TEAM_CT);
    }

    int Children() {
        int count = 0;
        for (CBaseEntity* child = player->FirstMoveChild(); child; child = child->NextMovePeer()) {
            ++count;
        }
        return count;
    }

    CCSPlayer* player = nullptr;
};

TEST_F(SrcdsSimGamePlayer, InterpolationComesFromClInterpWithinBounds) {
    const std::pair<const char*, float> cases[] = {
        {"0.05", 0.05f}, {"0", 0.0f},   {"-1", 0.0f}, {"5", 0.5f},     {"abc", 0.1f},
        {"nan", 0.1f},   {"inf", 0.1f}, {"", 0.1f},   {nullptr, 0.1f}, {"0.2junk", 0.2f},
    };
    for (const auto& [text, lerp] : cases) {
        player->SetLerpTimeFromInterp(text);
        EXPECT_EQ(player->GetLerpTime(), lerp) << (text ? text : "(null)");
    }
}

TEST_F(SrcdsSimGamePlayer, MoneyStaysBetweenZeroAndSixteenThousand) {
    player->AddAccount(INT_MAX);
    EXPECT_EQ(player->GetAccount(), 16000);
    player->AddAccount(INT_MIN);
    EXPECT_EQ(player->GetAccount(), 0);
    player->SetAccount(-5);
    EXPECT_EQ(player->GetAccount(), 0);
}

TEST_F(SrcdsSimGamePlayer, BuyingPaysAndTooDearOrUnknownIsRefused) {
    player->SetAccount(3000);
    EXPECT_FALSE(rules.Buy(player, "weapon_m4a1"));
    EXPECT_FALSE(rules.Buy(player, "weapon_railgun"));
    EXPECT_EQ(player->GetAccount(), 3000);
    EXPECT_TRUE(rules.Buy(player, "weapon_ak47"));
    EXPECT_EQ(player->GetAccount(), 500);
    EXPECT_STREQ(player->Weapon_GetSlot(WEAPON_SLOT_PRIMARY)->GetClassname(), "weapon_ak47");
}

TEST_F(SrcdsSimGamePlayer, CarriedWeaponsAreMoveChildrenAndLeaveWhenDropped) {
    EXPECT_EQ(Children(), 2);  // knife and pistol from the spawn
    CBaseCombatWeapon* rifle = rules.GiveNamedItem(player, "weapon_awp");
    EXPECT_EQ(Children(), 3);
    EXPECT_EQ(player->FirstMoveChild(), rifle);
    EXPECT_EQ(rifle->GetMoveParent(), player);

    // A second primary replaces the first, which is left in the world.
    CBaseCombatWeapon* other = rules.GiveNamedItem(player, "weapon_ak47");
    EXPECT_EQ(Children(), 3);
    EXPECT_EQ(rifle->GetMoveParent(), nullptr);
    EXPECT_EQ(rifle->GetOwner(), nullptr);
    EXPECT_EQ(other->GetOwner(), player);

    // Removing a child in the middle of the chain keeps the chain whole.
    CBaseEntity* middle = player->FirstMoveChild()->NextMovePeer();
    entities.Remove(middle);
    EXPECT_EQ(Children(), 2);

    rules.Kill(player, nullptr, "world", false);
    EXPECT_EQ(Children(), 0);
}

}  // namespace
