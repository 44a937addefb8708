// Dead voice as the players hear it: the engine's voice table, as the game's
// voice rule sets it every 0.3 s through the hooked SetClientListening, on
// srcds-sim's Counter-Strike: Source game.
#include <shareddefs.h>

#include <string>

#include "TravikServerTest.h"

namespace {

const char* const kHookEnabled = "[Travik] Voice Hook Enabled\n";
const char* const kHookDisabled = "[Travik] Voice Hook Disabled\n";
const char* const kEnabledChat = "\x03Travik:\x04 Deadvoice Enabled\n";
const char* const kDisabledChat = "\x03Travik:\x04 Deadvoice Disabled\n";

class DeadvoiceFeature : public TravikServerTest {
protected:
    void SetUp() override { InstallTravik(); }

    // Alice and bob for the terrorists, carol and dave for the
    // counter-terrorists; the game's commencing restart is over, everybody
    // alive and voice enabled.
    void Start() {
        StartServer();
        ASSERT_EQ(server->Plugins().Count(), 1) << ConsoleText();
        alice = &Join("alice", TEAM_TERRORIST);
        bob = &Join("bob", TEAM_TERRORIST);
        carol = &Join("carol", TEAM_CT);
        dave = &Join("dave", TEAM_CT);
        server->RunSeconds(4.0);
        for (const sim::Client* client : {alice, bob, carol, dave}) {
            ASSERT_TRUE(server->Game().Sim()->IsAlive(client->EntityIndex())) << client->Name();
        }
        Update();
        ASSERT_TRUE(Hears(*alice, *bob));
        ASSERT_FALSE(Hears(*alice, *carol));
    }

    void Kill(sim::Client& client) {
        ClientLine(client, "kill");
        ASSERT_FALSE(server->Game().Sim()->IsAlive(client.EntityIndex())) << client.Name();
    }

    bool Hears(const sim::Client& receiver, const sim::Client& sender) {
        return server->Voice().GetClientListening(receiver.EntityIndex(), sender.EntityIndex());
    }
    // Two updates of the game's voice manager: a client's answer to its
    // RequestState counts from the next one.
    void Update() { server->RunSeconds(0.6); }

    sim::Client* alice = nullptr;
    sim::Client* bob = nullptr;
    sim::Client* carol = nullptr;
    sim::Client* dave = nullptr;
};

TEST_F(DeadvoiceFeature, LivingTeamMatesHearADeadTeamMateOnlyWithTheSwitchOn) {
    Start();
    EXPECT_TRUE(ConsoleHas(kHookEnabled));
    Kill(*bob);
    Kill(*carol);
    Update();
    EXPECT_TRUE(Hears(*alice, *bob)) << "the game alone lets only the dead hear him";
    EXPECT_TRUE(Hears(*dave, *carol));
    EXPECT_TRUE(Hears(*bob, *alice));
    EXPECT_FALSE(Hears(*alice, *carol)) << "the other team never";
    EXPECT_FALSE(Hears(*carol, *bob));
    EXPECT_FALSE(Hears(*dave, *bob));
    EXPECT_FALSE(Hears(*bob, *dave));

    Console("tk_deadvoice 0");
    Update();
    EXPECT_FALSE(Hears(*alice, *bob));
    EXPECT_FALSE(Hears(*dave, *carol));
    EXPECT_TRUE(Hears(*bob, *alice)) << "the game's own rule stands";
    EXPECT_FALSE(Hears(*carol, *bob));

    Console("tk_deadvoice 1");
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));
    // Both dead: the game's rule already lets them hear each other.
    Kill(*alice);
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));
    EXPECT_TRUE(Hears(*bob, *alice));
}

TEST_F(DeadvoiceFeature, AMuteAlwaysWins) {
    Start();
    ASSERT_EQ(bob->EntityIndex(), 2);
    ClientLine(*alice, "vban 2");  // bit 1: entity 2, bob
    Kill(*bob);
    Update();
    EXPECT_FALSE(Hears(*alice, *bob)) << "muted, even within one team";
    EXPECT_TRUE(Hears(*bob, *alice)) << "muting is one way";
    ClientLine(*alice, "vban 0");
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));
    // The game reads "VBAN" as "vban"; so does the dead-voice rule.
    ClientLine(*alice, "VBAN 2");
    Update();
    EXPECT_FALSE(Hears(*alice, *bob));
    ClientLine(*alice, "Vban 0");
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));

    // A mute sent while the hook is off holds once it is back; a mask with
    // other players' bits (and a second word) leaves the rest alone.
    Console("tk_deadvoice 0");
    ClientLine(*dave, "vban ffffffff ffffffff");
    ClientLine(*alice, "vban fffffff8 1");
    Kill(*carol);
    Console("tk_deadvoice 1");
    Update();
    EXPECT_FALSE(Hears(*dave, *carol));
    EXPECT_TRUE(Hears(*alice, *bob));
    // "vban" without a mask is not one: the mute stays.
    ClientLine(*dave, "vban");
    Update();
    EXPECT_FALSE(Hears(*dave, *carol));

    // A mute belongs to the player: whoever takes dave's slot next starts
    // with none.
    const int slot = dave->EntityIndex();
    server->Clients().Disconnect(*dave, "Disconnect by user.", false);
    sim::Client& next = Join("next", TEAM_CT);
    ASSERT_EQ(next.EntityIndex(), slot);
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_TRUE(server->Game().Sim()->IsAlive(next.EntityIndex()));
    Kill(*carol);
    Update();
    EXPECT_TRUE(Hears(next, *carol));
}

TEST_F(DeadvoiceFeature, SpectatorsAndTheUnassignedHearTheirOwnKind) {
    Start();
    sim::Client& sam = Join("sam", TEAM_SPECTATOR);
    sim::Client& sue = Join("sue", TEAM_SPECTATOR);
    sim::Client& una = Join("una", TEAM_UNASSIGNED);
    sim::Client& ulf = Join("ulf", TEAM_UNASSIGNED);
    Kill(*bob);
    Update();
    EXPECT_TRUE(Hears(sam, sue));
    EXPECT_TRUE(Hears(sue, sam));
    EXPECT_TRUE(Hears(una, ulf));
    EXPECT_TRUE(Hears(ulf, una));
    for (sim::Client* other : {&una, alice, bob, carol}) {
        EXPECT_FALSE(Hears(sam, *other)) << other->Name();
        EXPECT_FALSE(Hears(*other, sam)) << other->Name();
    }
    EXPECT_FALSE(Hears(una, *bob));
    EXPECT_FALSE(Hears(*alice, una));
}

// A client whose voice is off (it answered "VModEnable 0") is left to the
// game as a talker and as a listener; once it turns voice on it is heard.
TEST_F(DeadvoiceFeature, AClientWithoutVoiceIsNotOverridden) {
    Start();
    auto voiceOff = [](sim::ClientSpec& spec) { spec.voiceEnabled = false; };
    sim::Client& quiet = Join("quiet", TEAM_TERRORIST, voiceOff);
    sim::Client& deaf = Join("deaf", TEAM_TERRORIST, voiceOff);
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_TRUE(server->Game().Sim()->IsAlive(quiet.EntityIndex()));
    Kill(quiet);
    Kill(*bob);
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));
    EXPECT_FALSE(Hears(*alice, quiet)) << "a dead talker without voice";
    EXPECT_TRUE(Hears(*bob, quiet)) << "the game's rule: the dead hear the dead";
    EXPECT_FALSE(Hears(deaf, *bob)) << "a listener without voice hears nobody";
    EXPECT_FALSE(Hears(deaf, *alice));

    ClientLine(quiet, "VModEnable 1");
    Update();
    EXPECT_TRUE(Hears(*alice, quiet));
    ClientLine(quiet, "VModEnable 0");
    Update();
    EXPECT_FALSE(Hears(*alice, quiet));
}

TEST_F(DeadvoiceFeature, TheSwitchAnswersEverySetAndFollowsTheActivePlugin) {
    Start();
    Kill(*bob);
    ClearConsole();
    Console("tk_deadvoice 0");
    EXPECT_EQ(ConsoleCount(kHookDisabled), 1);
    EXPECT_EQ(ChatOf(*alice).back(), kDisabledChat);
    EXPECT_EQ(ChatOf(*carol).back(), kDisabledChat);

    // The same value again: the message again, the hook left as it is.
    const size_t lines = ChatOf(*alice).size();
    Console("tk_deadvoice 0");
    EXPECT_EQ(ChatOf(*alice).size(), lines + 1);
    EXPECT_EQ(ChatOf(*alice).back(), kDisabledChat);
    EXPECT_EQ(ConsoleCount(kHookDisabled), 1);
    Console("tk_deadvoice 1");
    Console("tk_deadvoice 1");
    EXPECT_EQ(ConsoleCount(kHookEnabled), 1);
    EXPECT_EQ(ChatOf(*alice).size(), lines + 3);
    EXPECT_EQ(ChatOf(*alice).back(), kEnabledChat);
    Update();
    EXPECT_TRUE(Hears(*alice, *bob));

    // Inactive, nothing is hooked and the switch says nothing.
    Console("tk_active 0");
    EXPECT_EQ(ConsoleCount(kHookDisabled), 2);
    Update();
    EXPECT_FALSE(Hears(*alice, *bob));
    const size_t inactiveLines = ChatOf(*alice).size();
    ClearConsole();
    Console("tk_deadvoice 1");
    Console("tk_deadvoice 0");
    EXPECT_EQ(ChatOf(*alice).size(), inactiveLines);
    EXPECT_FALSE(ConsoleHas("Voice Hook"));
    Console("tk_deadvoice 1");
    Console("tk_active 1");
    EXPECT_TRUE(ConsoleHas(kHookEnabled));

    // Unloaded, the game's rule alone decides.
    ClearConsole();
    Console("plugin_unload 0");
    EXPECT_FALSE(ConsoleHas("Voice Hook"));
    server->RunSeconds(0.5);  // the level that the activation restarted
    sim::Client& erin = Join("erin", TEAM_CT);
    sim::Client& finn = Join("finn", TEAM_CT);
    Console("mp_restartgame 1");
    server->RunSeconds(1.2);
    ASSERT_EQ(server->Plugins().Count(), 0);
    ASSERT_TRUE(server->Game().Sim()->IsAlive(erin.EntityIndex()));
    Kill(finn);
    Update();
    EXPECT_FALSE(Hears(erin, finn));
    EXPECT_TRUE(Hears(finn, erin));
}

}  // namespace
