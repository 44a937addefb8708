// The kick and ban queue on a srcds-sim level, driven directly with the
// host's own interfaces: the features that queue verdicts call it from
// inside host callbacks, and the host's kick and ban commands do the rest.
#include <eiface.h>
#include <gtest/gtest.h>
#include <igameevents.h>

#include <functional>
#include <string>

#include "SimRoom.h"
#include "enforcement/KickBanQueue.h"

namespace {

constexpr const char* kKicked = "Kicked by Console : ";

class KickBanQueueService : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(room.started); }

    edict_t* Edict(const sim::Client* client) const { return room.EdictOf(client); }
    void Frame() { queue.OnGameFrame(); }
    bool ConsoleHas(const std::string& text) const { return room.server->Console().Contains(text); }
    int ConsoleCount(const std::string& text) const {
        const std::string& all = room.server->Console().Text();
        int count = 0;
        for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
            ++count;
        }
        return count;
    }
    sim::Client& Join(const std::string& name, const std::string& address) {
        sim::ClientSpec spec;
        spec.name = name;
        spec.address = address;
        spec.signOn = 0.0;  // in the game at once
        spec.validateAfter = 0.0;
        return room.server->Clients().Connect(spec);
    }
    // The network ID as the ban log writes it: without "STEAM_".
    static std::string LoggedId(const sim::Client& client) {
        return std::string(client.NetworkId()).substr(6);
    }

    SimRoom room;
    ::KickBanQueue queue;
};

TEST_F(KickBanQueueService, APlayerGetsOneVerdictTheFirst) {
    queue.Kick(Edict(room.alice), "first");
    queue.Kick(Edict(room.alice), "second");
    queue.Ban(Edict(room.alice), "third", "log");
    EXPECT_TRUE(queue.IsOnKickBanQueue(Edict(room.alice)));
    EXPECT_FALSE(queue.IsOnKickBanQueue(Edict(room.bob)));
    Frame();
    EXPECT_EQ(room.alice->DisconnectReason(), std::string(kKicked) + "first");
    EXPECT_TRUE(room.server->Bans().Ids().empty());
    EXPECT_FALSE(queue.IsOnKickBanQueue(Edict(room.alice)));
}

TEST_F(KickBanQueueService, SourceTVAndAbsentPlayersAreRefusedBotsAreTaken) {
    queue.Kick(Edict(room.tv), "tv");
    queue.Kick(nullptr, "nobody");
    edict_t* gone = Edict(room.erin);
    room.server->Clients().Disconnect(*room.erin, "Disconnect by user.", false);
    queue.Kick(gone, "gone");
    EXPECT_FALSE(queue.IsOnKickBanQueue(Edict(room.tv)));
    EXPECT_FALSE(queue.IsOnKickBanQueue(gone));
    queue.Kick(Edict(room.bot), nullptr);
    Frame();
    EXPECT_TRUE(room.tv->IsConnected());
    EXPECT_EQ(room.bot->DisconnectReason(), "Kicked by Console");
}

TEST_F(KickBanQueueService, ABanBySteamIdIsLoggedThenBannedThenKicked) {
    queue.Ban(Edict(room.alice), "Cheating", "cvar violation");
    queue.Ban(Edict(room.bob), "Cheating", nullptr);
    queue.Ban(Edict(room.carol), nullptr, nullptr);
    const std::string aliceId = LoggedId(*room.alice);
    const std::string bobId = LoggedId(*room.bob);
    const std::string carolId = LoggedId(*room.carol);
    Frame();
    EXPECT_TRUE(ConsoleHas("alice (" + room.alice->Ip() + " / " + aliceId +
                           ") - Reason \"cvar violation\"\n"));
    EXPECT_TRUE(ConsoleHas("bob (" + room.bob->Ip() + " / " + bobId + ") - Reason \"Cheating\"\n"));
    EXPECT_TRUE(
        ConsoleHas("carol (" + room.carol->Ip() + " / " + carolId + ") - No reason recorded\n"));
    EXPECT_TRUE(room.server->Bans().IsIdBanned(room.alice->SteamId()));
    EXPECT_TRUE(room.server->Bans().IsIdBanned(room.carol->SteamId()));
    EXPECT_EQ(room.alice->DisconnectReason(), std::string(kKicked) + "Banned: Cheating");
    EXPECT_EQ(room.carol->DisconnectReason(), "Kicked by Console");
}

// On a LAN server nobody has a Steam ID: the address is banned, which
// removes the player at once.
TEST_F(KickBanQueueService, WithoutASteamIdTheAddressIsBanned) {
    room.server->ExecuteConsoleLine("sv_lan 1");
    sim::Client& lan = Join("lan", "10.9.9.9:27005");
    ASSERT_STREQ(lan.NetworkId(), "STEAM_ID_LAN");
    queue.Ban(room.EdictOf(&lan), "Cheating", "wallhack");
    Frame();
    EXPECT_TRUE(ConsoleHas("lan (10.9.9.9) - Reason \"wallhack\"\n"));
    EXPECT_TRUE(room.server->Bans().IsIpBanned("10.9.9.9"));
    EXPECT_FALSE(lan.IsConnected());
}

TEST_F(KickBanQueueService, ABanWithNeitherSteamIdNorAddressWaitsAndSaysSoOnce) {
    queue.Ban(Edict(room.bot), "Cheating", nullptr);
    Frame();
    Frame();
    EXPECT_EQ(ConsoleCount("[Travik] An error occurred whilst attempting to ban player bot\n"), 1);
    EXPECT_TRUE(room.bot->IsConnected());
    EXPECT_TRUE(queue.IsOnKickBanQueue(Edict(room.bot)));
}

// Quotes stay (the plug-in's texts quote names and values); what would end
// the command goes.
TEST_F(KickBanQueueService, AQueuedTextCannotAddACommandOrALogLine) {
    room.server->ExecuteConsoleLine("sv_cheats 0");
    queue.Kick(Edict(room.alice), "bye\"; quit; sv_cheats 1\nsv_cheats \"1\"\r");
    queue.Ban(Edict(room.bob), "x", "reason\nforged line");
    Frame();
    EXPECT_EQ(room.alice->DisconnectReason(),
              std::string(kKicked) + "bye\", quit, sv_cheats 1 sv_cheats \"1\"");
    EXPECT_FALSE(room.server->QuitRequested());
    EXPECT_STREQ(room.server->FindVar("sv_cheats")->GetString(), "0");
    EXPECT_TRUE(ConsoleHas("- Reason \"reason\\nforged line\"\n"));
}

// The slot of a player who left unheard (while the plug-in was paused) is
// not the newcomer's verdict.
TEST_F(KickBanQueueService, APlayerTakingAQueuedSlotIsNotKicked) {
    edict_t* slot = Edict(room.alice);
    queue.Kick(slot, "for alice");
    room.server->Clients().Disconnect(*room.alice, "Disconnect by user.", false);
    sim::Client& frank = Join("frank", "");
    ASSERT_EQ(room.EdictOf(&frank), slot);
    EXPECT_FALSE(queue.IsOnKickBanQueue(slot));
    Frame();
    EXPECT_TRUE(frank.IsActive());
    queue.Kick(slot, "for frank");
    Frame();
    EXPECT_EQ(frank.DisconnectReason(), std::string(kKicked) + "for frank");
}

// Calls back from inside the host's disconnect, as the plug-in's own
// ClientDisconnect does.
class DisconnectListener : public IGameEventListener2 {
public:
    explicit DisconnectListener(std::function<void(int userId)> onLeave)
        : m_OnLeave(std::move(onLeave)) {}
    void FireGameEvent(IGameEvent* event) override { m_OnLeave(event->GetInt("userid")); }

private:
    std::function<void(int)> m_OnLeave;
};

TEST_F(KickBanQueueService, AKickFromInsideTheDisconnectItCausesIsSafe) {
    edict_t* alice = Edict(room.alice);
    DisconnectListener listener([&](int userId) {
        if (userId != room.alice->UserId()) {
            return;
        }
        queue.Kick(Edict(room.bob), "chained");
        queue.ActionAll();  // already acting: the running walk carries it out
        queue.OnDisconnect(alice);
    });
    room.server->Events().AddListener(&listener, "player_disconnect", true);
    queue.Kick(alice, "first");
    queue.Kick(Edict(room.carol), "third");
    Frame();
    EXPECT_EQ(room.alice->DisconnectReason(), std::string(kKicked) + "first");
    EXPECT_EQ(room.bob->DisconnectReason(), std::string(kKicked) + "chained");
    // Carol moved into alice's place while the walk stood there: not passed over.
    EXPECT_EQ(room.carol->DisconnectReason(), std::string(kKicked) + "third");
    EXPECT_EQ(ConsoleCount("not found"), 0) << "nobody is kicked twice";
    room.server->Events().RemoveListener(&listener);
}

}  // namespace
