// The world's boxes, traces through them with masks and filters, and the use
// key that finds the bomb through a wall.
#include <gtest/gtest.h>

#include <bspflags.h>
#include <in_buttons.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <random>

#include "GameFixture.h"
#include "SolidEntities.h"
#include "engine/EngineTrace.h"
#include "engine/World.h"

namespace {

// Hits every entity, as the game's own shot traces do.
class HitEverything : public CTraceFilter {
public:
    bool ShouldHitEntity(IHandleEntity*, int) override { return true; }
};

class WorldOnly : public HitEverything {
public:
    TraceType_t GetTraceType() const override { return TRACE_WORLD_ONLY; }
};

class EntitiesOnly : public HitEverything {
public:
    TraceType_t GetTraceType() const override { return TRACE_ENTITIES_ONLY; }
};

class SrcdsSimGameTrace : public GameFixture {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(
            world.LoadText("// a wall across x = 0\n"
                           "box -8 -512 0  8 512 256\n"
                           "box 200 -64 0  208 64 128 window\n",
                           &error))
            << error;
    }

    trace_t Trace(const Vector& from, const Vector& to, unsigned mask, ITraceFilter* filter) {
        Ray_t ray;
        ray.Init(from, to);
        trace_t trace;
        engineTrace.TraceRay(ray, mask, filter, &trace);
        return trace;
    }

    sim::World world;
    sim::CEngineTrace engineTrace{world, [this](SimSolid* solids, int maxSolids) {
                                      return cstrike::CollectSolids(entities, solids, maxSolids);
                                  }};
    CTraceFilterWorldAndPropsOnly sight;
};

TEST_F(SrcdsSimGameTrace, AWallBlocksAndAClearLineIsExactlyOne) {
    const trace_t blocked = Trace(Vector(-100, 0, 64), Vector(100, 0, 64), MASK_OPAQUE, &sight);
    EXPECT_FLOAT_EQ(blocked.fraction, 92.0f / 200.0f);
    EXPECT_EQ(blocked.endpos, Vector(-8, 0, 64));
    EXPECT_EQ(blocked.plane.normal, Vector(-1, 0, 0));
    EXPECT_EQ(blocked.contents, CONTENTS_SOLID);
    EXPECT_EQ(blocked.m_pEnt, nullptr);
    EXPECT_TRUE(blocked.DidHit());

    const trace_t clear = Trace(Vector(-100, 0, 300), Vector(100, 0, 300), MASK_OPAQUE, &sight);
    EXPECT_EQ(clear.fraction, 1.0f);
    EXPECT_EQ(clear.endpos, Vector(100, 0, 300));
    // Grazing the top face is not a hit.
    EXPECT_EQ(Trace(Vector(-100, 0, 256), Vector(100, 0, 256), MASK_OPAQUE, &sight).fraction, 1.0f);
}

TEST_F(SrcdsSimGameTrace, ContentsMustMeetTheMask) {
    const Vector from(150, 0, 64);
    const Vector to(300, 0, 64);
    EXPECT_EQ(Trace(from, to, MASK_OPAQUE, &sight).fraction, 1.0f);  // glass is seen through
    EXPECT_LT(Trace(from, to, MASK_SOLID, &sight).fraction, 1.0f);   // but not walked through
    EXPECT_EQ(Trace(Vector(-100, 0, 64), Vector(100, 0, 64), CONTENTS_WINDOW, &sight).fraction,
              1.0f);
}

TEST_F(SrcdsSimGameTrace, EntitiesNeedTheFilterAndTheirContents) {
    rules.LevelInit();
    CCSPlayer* player = AddPlayer(1, TEAM_CT);
    player->SetAbsOrigin(Vector(100, 0, 0));
    const Vector from(50, 0, 36);
    const Vector to(150, 0, 36);
    HitEverything everything;
    WorldOnly worldOnly;
    EntitiesOnly entitiesOnly;

    EXPECT_EQ(Trace(from, to, MASK_SHOT, &sight).fraction, 1.0f);
    EXPECT_EQ(Trace(from, to, MASK_SHOT, &worldOnly).fraction, 1.0f);
    EXPECT_EQ(Trace(from, to, MASK_OPAQUE, &everything).fraction, 1.0f);  // players are not opaque
    const trace_t shot = Trace(from, to, MASK_SHOT, &everything);
    EXPECT_EQ(shot.m_pEnt, player);
    EXPECT_FLOAT_EQ(shot.fraction, 34.0f / 100.0f);
    EXPECT_EQ(Trace(Vector(-100, 0, 36), Vector(50, 0, 36), MASK_SHOT, &entitiesOnly).fraction,
              1.0f);
    EXPECT_EQ(Trace(from, to, MASK_SHOT, nullptr).m_pEnt, player);

    // The dead are not solid.
    rules.Kill(player, nullptr, "world", false);
    EXPECT_EQ(Trace(from, to, MASK_SHOT, &everything).fraction, 1.0f);
}

TEST_F(SrcdsSimGameTrace, StartingInsideStopsAtOnce) {
    const trace_t leaving = Trace(Vector(0, 0, 64), Vector(100, 0, 64), MASK_OPAQUE, &sight);
    EXPECT_TRUE(leaving.startsolid);
    EXPECT_FALSE(leaving.allsolid);
    EXPECT_EQ(leaving.fraction, 0.0f);
    EXPECT_FLOAT_EQ(leaving.fractionleftsolid, 0.08f);
    const trace_t inside = Trace(Vector(0, 0, 64), Vector(0, 0, 64), MASK_OPAQUE, &sight);
    EXPECT_TRUE(inside.allsolid);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const trace_t broken = Trace(Vector(nan, 0, 0), Vector(100, 0, 64), MASK_OPAQUE, &sight);
    EXPECT_EQ(broken.fraction, 0.0f);
    EXPECT_TRUE(broken.startsolid);
}

TEST_F(SrcdsSimGameTrace, ASweptBoxHitsBeforeItsCentreWould) {
    Ray_t ray;
    ray.Init(Vector(-100, 0, 64), Vector(100, 0, 64), Vector(-16, -16, -16), Vector(16, 16, 16));
    trace_t trace;
    engineTrace.TraceRay(ray, MASK_SOLID, &sight, &trace);
    EXPECT_FLOAT_EQ(trace.fraction, 76.0f / 200.0f);
    EXPECT_EQ(trace.endpos, Vector(-24, 0, 64));
}

TEST_F(SrcdsSimGameTrace, PointContentsAddUp) {
    EXPECT_EQ(engineTrace.GetPointContents(Vector(0, 0, 10)), CONTENTS_SOLID);
    EXPECT_EQ(engineTrace.GetPointContents(Vector(204, 0, 10)), CONTENTS_WINDOW);
    EXPECT_EQ(engineTrace.GetPointContents(Vector(100, 0, 10)), 0);
}

TEST_F(SrcdsSimGameTrace, TheUseKeyFindsTheBombThroughAWall) {
    rules.Settings().freezeTime = 0.0f;
    rules.LevelInit();
    CCSPlayer* t = AddPlayer(1, TEAM_TERRORIST);
    CCSPlayer* ct = AddPlayer(2, TEAM_CT);
    Commence();
    t->SetAbsOrigin(Vector(40, 0, 0));
    CPlantedC4* bomb = rules.PlantBomb(t);
    ASSERT_NE(bomb, nullptr);
    ct->SetAbsOrigin(Vector(-30, 0, 0));  // on the other side of the wall
    ct->SetButtons(IN_USE);

    // The game's search reaches the bomb; only a line of sight would tell.
    EXPECT_EQ(ct->PlayerUse(), bomb);
    EXPECT_TRUE(ct->IsDefusing());
    const Vector eyes = ct->EyePosition() - Vector(0, 0, 1);
    const Vector target = bomb->GetAbsOrigin() + Vector(0, 0, 8);
    EXPECT_LT(Trace(eyes, target, MASK_OPAQUE, &sight).fraction, 1.0f);
}

class SrcdsSimGameWorldFile : public ::testing::Test {
protected:
    sim::World world;
    std::string error;
};

TEST_F(SrcdsSimGameWorldFile, BoxesContentsAndCornersInAnyOrder) {
    ASSERT_TRUE(
        world.LoadText("box 10 10 10 0 0 0\n"
                       "\n"
                       "  box 0 0 0 1 1 1 grate // a comment\n"
                       "box 0 0 0 1 1 1 0x4000\r\n"
                       "box 0 0 0 1 1 1 32",
                       &error))
        << error;
    ASSERT_EQ(world.Boxes().size(), 4u);
    EXPECT_EQ(world.Boxes()[0].mins, Vector(0, 0, 0));
    EXPECT_EQ(world.Boxes()[0].maxs, Vector(10, 10, 10));
    EXPECT_EQ(world.Boxes()[0].contents, CONTENTS_SOLID);
    EXPECT_EQ(world.Boxes()[1].contents, CONTENTS_GRATE);
    EXPECT_EQ(world.Boxes()[2].contents, CONTENTS_MOVEABLE);
    EXPECT_EQ(world.Boxes()[3].contents, CONTENTS_WATER);
}

TEST_F(SrcdsSimGameWorldFile, FaultsNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"box 0 0 0 1 1 1\nwall 0 0 0 1 1 1", "line 2: expected \"box\""},
        {"box 0 0 0 1 1", "line 1: a box needs six numbers and may have contents"},
        {"box 0 0 0 1 1 1 lava", "line 1: unknown contents"},
        {"box 0 0 0 1 1 1 -4", "line 1: unknown contents"},
        {"\n\nbox 0 0 nan 1 1 1", "line 3: a corner is not a finite number"},
        {"box 0 0 0 1 1 1e40", "line 1: a corner is not a finite number"},
        {"box 0 0 0 1 1 1x", "line 1: a corner is not a finite number"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_FALSE(world.LoadText(text, &error)) << text;
        EXPECT_EQ(error, message);
    }
    EXPECT_FALSE(world.LoadText("box" + std::string(2000, ' ') + "0 0 0 1 1 1", &error));
    EXPECT_EQ(error, "line 1: the line is too long");
}

TEST_F(SrcdsSimGameWorldFile, ArbitraryBytesNeverBreakTheReader) {
    std::mt19937 random(99);
    const std::string alphabet = "box 0123456789.-e/\nxanif\t\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        if (world.LoadText(text, &error)) {
            for (const sim::World::Box& box : world.Boxes()) {
                EXPECT_TRUE(box.mins.IsValid() && box.maxs.IsValid());
            }
        } else {
            EXPECT_EQ(error.rfind("line ", 0), 0u);
        }
    }
}

TEST_F(SrcdsSimGameWorldFile, FilesAreReadWithinBounds) {
    EXPECT_FALSE(world.LoadFile("/nonexistent/de_none.world", &error));
    const std::string path = ::testing::TempDir() + "srcds_cstrike_test.world";
    { std::ofstream(path) << "box -8 -8 0 8 8 64\n"; }
    EXPECT_TRUE(world.LoadFile(path, &error)) << error;
    EXPECT_EQ(world.Boxes().size(), 1u);
    {
        std::ofstream file(path);
        file << std::string(sim::World::kMaxFileSize + 1, '\n');
    }
    EXPECT_FALSE(world.LoadFile(path, &error));
    EXPECT_TRUE(world.Boxes().empty());
    std::remove(path.c_str());
    // Text that came another way (the engine's file system) is bounded too.
    EXPECT_FALSE(world.LoadText(std::string(sim::World::kMaxFileSize + 1, '\n'), &error));
    EXPECT_NE(error.find("larger than"), std::string::npos);
}

}  // namespace
