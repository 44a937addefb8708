// The movement hook of the installed travik.so on srcds-sim: players who run
// at full speed while their clients send usercmds at the tick rate, faster,
// with values that are not numbers or with impossible view angles. Judged by
// the speed the game gave them, kicks, console, chat and the plug-in's log.
#include <edict.h>
#include <in_buttons.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "TravikServerTest.h"
#include "sim/ISimGame.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kRunSpeed = 250.0f;
// A running player's speed stays at the maximum while nothing slows him.
constexpr float kSlowed = kRunSpeed - 1.0f;

class MovementHookFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    void Start(const std::string& arguments = "") {
        StartServer("-insecure +mp_freezetime 0 " + arguments + " +map de_dust2");
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
    }

    ISimGame& Game() { return *server->Game().Sim(); }

    // Both sides have players: past the game's first restart, into a round.
    void Commence() { server->RunSeconds(3.1); }

    // Every later usercmd of the client carries this, full speed ahead.
    void Input(const sim::Client& client, float pitch = 0.0f, float roll = 0.0f,
               float forward = 400.0f) {
        SimUsercmd input;
        input.viewangles[0] = pitch;
        input.viewangles[2] = roll;
        input.forwardmove = forward;
        Game().SetUsercmdInput(client.EntityIndex(), input);
    }
    // The players run ahead for a second, long enough to reach full speed.
    void RunAtFullSpeed(std::initializer_list<const sim::Client*> clients) {
        for (const sim::Client* client : clients) {
            Input(*client);
        }
        server->RunSeconds(1.0);
    }
    // Kick mode: alice for the terrorists runs at full speed beside a bot of
    // her side that the speed checks leave alone, bob keeps the other side
    // filled; in a round.
    struct Runners {
        sim::Client& alice;
        sim::Client& pacer;
    };
    Runners RunBesideAPacer() {
        Start();
        Console("tk_antispeedhack 2");
        sim::Client& alice = Join("alice", 2);
        Join("bob", 3);
        sim::Client& pacer = AddBot("pacer", 2);
        Commence();
        RunAtFullSpeed({&alice, &pacer});
        return {alice, pacer};
    }
    void Rate(const sim::Client& client, float perSecond) {
        Game().SetUsercmdRate(client.EntityIndex(), perSecond);
    }

    SimPlayerState State(const sim::Client& client) {
        SimPlayerState state;
        EXPECT_TRUE(Game().GetPlayerState(client.EntityIndex(), &state)) << client.Name();
        return state;
    }
    float Speed(const sim::Client& client) {
        const SimPlayerState state = State(client);
        return std::hypot(state.velocity[0], state.velocity[1]);
    }

    static bool Kicked(const sim::Client& client, const std::string& reason) {
        return client.WasRemovedByServer() &&
               client.DisconnectReason() == "Kicked by Console : " + reason;
    }

    float Now() const { return server->Clock().CurTime(); }
};

// The first moment a player was slowed and when he was kicked; -1 for neither.
struct Verdicts {
    float slowed = -1.0f;
    float kicked = -1.0f;
};

// The chat lines that announce the movement switches.
std::vector<std::string> SwitchLines(const std::vector<std::string>& chat) {
    std::vector<std::string> lines;
    for (const std::string& line : chat) {
        if (line.find("Enabled") != std::string::npos ||
            line.find("Disabled") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST_F(MovementHookFeature, ASpeedHackerIsSlowedFromHisSecondWindowAndKickedAtTheCloseOfTheFifth) {
    Start();
    Console("tk_antispeedhack 2");
    sim::Client& alice = Join("alice", 2);
    sim::Client& bob = Join("bob", 3);
    Commence();
    RunAtFullSpeed({&alice, &bob});
    ASSERT_GE(Speed(alice), kSlowed);

    const float start = Now();
    Rate(alice, 1.5f * 66.0f);
    Verdicts hacker;
    int bobSlowed = 0;
    for (int tick = 0; tick < 10 * 66 && hacker.kicked < 0.0f; ++tick) {
        server->RunTicks(1);
        if (!alice.IsConnected()) {
            hacker.kicked = Now();
            break;
        }
        if (Speed(alice) < kSlowed && hacker.slowed < 0.0f) {
            hacker.slowed = Now();
        }
        bobSlowed += Speed(bob) < kSlowed ? 1 : 0;
    }
    // Windows are a second of game time, closed by the first usercmd after.
    ASSERT_GT(hacker.slowed, start + 1.0f);
    EXPECT_LT(hacker.slowed, start + 2.1f);
    ASSERT_GT(hacker.kicked, 0.0f);
    EXPECT_NEAR(hacker.kicked - hacker.slowed, 3.0f, 0.1f) << "three windows after the second";
    EXPECT_TRUE(Kicked(alice, "[Travik] Speed-Hack Detected")) << alice.DisconnectReason();
    EXPECT_EQ(ConsoleCount("[TKDEBUG] AntiSpeedhack - Kicked Player: alice (99/66)\n") +
                  ConsoleCount("[TKDEBUG] AntiSpeedhack - Kicked Player: alice (100/66)\n"),
              1);
    EXPECT_NE(ReadLog("travik.log").find("AntiSpeedhack - Kicked Player: alice"),
              std::string::npos);
    EXPECT_EQ(bobSlowed, 0);
    EXPECT_TRUE(bob.IsConnected());
}

// Rounds end and everybody respawns standing: an honest player's speed is
// judged against a bot's that runs beside him, which the speed checks leave
// alone.
TEST_F(MovementHookFeature, AClientAtTheTickRateIsNeverSlowed) {
    auto [alice, pacer] = RunBesideAPacer();
    int slowed = 0;
    int respawns = 0;
    for (int tick = 0; tick < 10 * 60 * 66; ++tick) {
        server->RunTicks(1);
        slowed += Speed(alice) < Speed(pacer) - 1.0f ? 1 : 0;
        respawns += Speed(pacer) < 50.0f ? 1 : 0;
    }
    EXPECT_EQ(slowed, 0);
    EXPECT_TRUE(alice.IsConnected());
    EXPECT_GT(respawns, 0) << "no round ended in ten minutes: the pacer proves nothing";
}

// A client whose packets stall for 200 ms every two seconds, the backlog
// arriving at once, for ten minutes of game time in kick mode: a second
// holding a backlog may be over the limit, the next never is, so he is
// neither slowed nor kicked. His speed is compared with a bot's beside him
// outside the stalls (while stalled he runs no usercmds at all).
TEST_F(MovementHookFeature, AnHonestClientWhosePacketsStallIsNeitherSlowedNorKicked) {
    auto [alice, pacer] = RunBesideAPacer();
    constexpr float kPeriod = 2.0f;
    constexpr float kStall = 0.2f;
    const float end = Now() + 10.0f * 60.0f;
    float stalled = Now();
    int stalls = 0;
    int judged = 0;
    int slowed = 0;
    while (Now() < end && alice.IsConnected()) {
        if (Now() >= stalled + kPeriod || stalls == 0) {
            stalled = Now();
            Game().StallUsercmds(alice.EntityIndex(), kStall);
            ++stalls;
        }
        server->RunTicks(1);
        if (Now() > stalled + kStall + 0.02f) {
            ++judged;
            slowed += Speed(alice) < Speed(pacer) - 1.0f ? 1 : 0;
        }
    }
    EXPECT_TRUE(alice.IsConnected()) << alice.DisconnectReason();
    EXPECT_EQ(slowed, 0) << "of " << judged << " ticks judged";
    EXPECT_GE(stalls, 290);
}

TEST_F(MovementHookFeature, PreventModeSlowsASpeedHackerForAsLongAsHeCheats) {
    Start();
    sim::Client& alice = Join("alice", 2);
    Join("bob", 3);
    Commence();
    Input(alice);
    Rate(alice, 2.0f * 66.0f);
    server->RunSeconds(20.0);
    EXPECT_TRUE(alice.IsConnected());
    EXPECT_LT(Speed(alice), 0.6f * kRunSpeed);
    // Honest again: one window to close the last over the limit, one to
    // reset the count.
    Rate(alice, 0.0f);
    server->RunSeconds(3.0);
    EXPECT_GE(Speed(alice), kSlowed);
}

TEST_F(MovementHookFeature, AUsercmdWithNotANumberIsNotRunAndItsSenderIsKicked) {
    Start();
    sim::Client& alice = Join("alice", 2);
    Join("bob", 3);
    sim::Client& bot = AddBot("bot", 3);
    Commence();
    const float x = State(alice).origin[0];
    Input(alice, kNaN);
    Input(bot, kNaN);
    server->RunTicks(1);
    EXPECT_EQ(State(alice).origin[0], x) << "the game ran her usercmd";
    server->RunTicks(2);
    EXPECT_TRUE(Kicked(alice, "[Travik] Attempted to use a movement exploit"))
        << alice.DisconnectReason();
    // Bots are not judged.
    server->RunSeconds(1.0);
    EXPECT_TRUE(bot.IsConnected());
}

TEST_F(MovementHookFeature, PitchAndRollBeyondARightAngleAreKickedAndLoggedQuietly) {
    Start();
    sim::Client& alice = Join("alice", 2);
    sim::Client& bob = Join("bob", 3);
    sim::Client& carol = Join("carol", 2);
    Commence();
    Input(alice, 270.0f);
    Input(bob, 269.0f);
    Input(carol, 0.0f, 91.0f);
    server->RunSeconds(3.5);
    EXPECT_TRUE(alice.IsConnected());
    EXPECT_TRUE(Kicked(bob, "[Travik] Invalid Eye-Angles Detected")) << bob.DisconnectReason();
    EXPECT_TRUE(Kicked(carol, "[Travik] Invalid Eye-Angles Detected"));
    const std::string log = ReadLog("travik.log");
    EXPECT_NE(log.find("Kicked player with invalid eye-angles: bob (x=-91.00, z=0.00)\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Kicked player with invalid eye-angles: carol (x=0.00, z=91.00)\n"),
              std::string::npos);
    EXPECT_FALSE(ConsoleHas("invalid eye-angles"));
}

TEST_F(MovementHookFeature, TaggingSlowsAHurtPlayerForAMomentOnly) {
    Start();
    Console("tk_beta_tagging 1");
    sim::Client& alice = Join("alice", 2);
    sim::Client& bob = Join("bob", 3);
    Commence();
    RunAtFullSpeed({&alice, &bob});
    Game().Hurt(alice.EntityIndex(), bob.EntityIndex(), 10, "usp");
    server->RunTicks(2);
    EXPECT_LT(Speed(alice), 0.5f * kRunSpeed);
    EXPECT_GE(Speed(bob), kSlowed);
    server->RunSeconds(1.5);
    EXPECT_GE(Speed(alice), kSlowed) << "still slowed long after the tag";

    Console("tk_beta_tagging 0");
    Game().Hurt(alice.EntityIndex(), bob.EntityIndex(), 10, "usp");
    server->RunTicks(2);
    EXPECT_GE(Speed(alice), kSlowed);
}

TEST_F(MovementHookFeature, TheHookFollowsTheActiveSwitchAndItsVariablesAndSaysSo) {
    Start();
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook Enabled\n"), 1);
    sim::Client& alice = Join("alice", 2);
    Console("tk_antispeedhack 0");
    Console("tk_checkviewangles 0");
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook Disabled\n"), 1);
    Console("tk_checkviewangles 0");
    Console("tk_beta_tagging 1");
    Console("tk_beta_tagging 1");
    EXPECT_EQ(SwitchLines(ChatOf(alice)), (std::vector<std::string>{
                                              "\x03Travik:\x04 Anti-Speedhack Disabled\n",
                                              "\x03Travik:\x04 View-Angles Check Disabled\n",
                                              "\x03Travik:\x04 Tagging Enabled\n",
                                          }));
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook Enabled\n"), 2);

    // Off with the plug-in; its variables change nothing meanwhile.
    Console("tk_active 0");
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook Disabled\n"), 2);
    Console("tk_antispeedhack 2");
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook"), 4);
    Console("tk_active 1");
    EXPECT_EQ(ConsoleCount("[Travik] Movement Hook Enabled\n"), 3);
    ClearConsole();
    Console("plugin_unload 0");
    EXPECT_FALSE(ConsoleHas("Movement Hook")) << "the unload removes it silently";
}

}  // namespace
