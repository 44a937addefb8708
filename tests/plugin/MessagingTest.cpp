// Chat, hint and centred text through srcds-sim's real user-message path:
// who receives what, byte for byte. The senders for one player and one team
// have no caller in the plug-in yet, so this suite drives the Messaging
// operations directly with the host's own interfaces.
#include <eiface.h>
#include <gtest/gtest.h>
#include <iplayerinfo.h>
#include <shareddefs.h>

#include <memory>
#include <string>
#include <vector>

#include "core/HostInterfaces.h"
#include "engine/Server.h"
#include "messaging/Messaging.h"
#include "scenario/GameFolder.h"

namespace {

using Texts = std::vector<std::string>;

// A level with humans on both teams and in spectators, a bot and SourceTV;
// the plug-in's host interfaces are the server's.
class Room {
public:
    Room() : folder(SRCDS_SIM_TEMPLATE) {
        sim::ServerConfig config;
        config.gameDir = folder.GameDir();
        config.commandLine = "+map de_dust2";
        server = std::make_unique<sim::Server>(config);
        started = server->Start();
        alice = Human("alice", TEAM_TERRORIST);
        bob = Human("bob", TEAM_TERRORIST);
        carol = Human("carol", TEAM_CT);
        dave = Human("dave", TEAM_SPECTATOR);
        erin = Human("erin", TEAM_SPECTATOR);
        bot = &server->Clients().AddFakeClient("bot", sim::ClientKind::Bot);
        server->Game().Sim()->SetTeam(bot->EntityIndex(), TEAM_TERRORIST);
        tv = &server->Clients().AddFakeClient("SourceTV", sim::ClientKind::SourceTV);
        g_host.engine = static_cast<IVEngineServer*>(
            sim::Server::EngineFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
        g_host.playerInfoManager = static_cast<IPlayerInfoManager*>(
            server->Game().Factory()(INTERFACEVERSION_PLAYERINFOMANAGER, nullptr));
        g_host.globals = g_host.playerInfoManager->GetGlobalVars();
        for (sim::Client* client : {alice, bob, carol, dave, erin}) {
            client->GetInbox().Clear();
        }
    }
    ~Room() {
        g_host = HostInterfaces{};
        server.reset();
    }

    edict_t* EdictOf(const sim::Client* client) const {
        return g_host.engine->PEntityOfEntIndex(client->EntityIndex());
    }

    // Whoever received an entry of that kind, by name, with its text.
    Texts Received(sim::InboxKind kind) const {
        Texts seen;
        for (sim::Client* client : {alice, bob, carol, dave, erin}) {
            for (const sim::InboxEntry* entry : client->GetInbox().OfKind(kind)) {
                seen.push_back(client->Name() + ": " + entry->text);
            }
        }
        return seen;
    }

    int Sent() const { return server->Messages().SentCount(); }

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
    bool started = false;
    sim::Client* alice = nullptr;
    sim::Client* bob = nullptr;
    sim::Client* carol = nullptr;
    sim::Client* dave = nullptr;
    sim::Client* erin = nullptr;
    sim::Client* bot = nullptr;
    sim::Client* tv = nullptr;

private:
    sim::Client* Human(const std::string& name, int team) {
        sim::ClientSpec spec;
        spec.name = name;
        sim::Client* client = &server->Clients().Connect(spec);
        server->Game().Sim()->SetTeam(client->EntityIndex(), team);
        return client;
    }
};

const char* const kLine = "\x03Travik:\x04 Anti-Flash Fix Enabled\n";

TEST(Messaging, ChatToAllReachesEveryHumanByteForByteFromTheServer) {
    Room room;
    ASSERT_TRUE(room.started);
    Messaging::SendAllMessage(kLine);
    const Texts expected{std::string("alice: ") + kLine, std::string("bob: ") + kLine,
                         std::string("carol: ") + kLine, std::string("dave: ") + kLine,
                         std::string("erin: ") + kLine};
    EXPECT_EQ(room.Received(sim::InboxKind::Chat), expected);
    const sim::InboxEntry* entry = room.alice->GetInbox().OfKind(sim::InboxKind::Chat)[0];
    EXPECT_EQ(entry->sender, 0);
    EXPECT_EQ(entry->messageType, 3);
}

TEST(Messaging, ANullPlayerGetsNothingSentAtAll) {
    Room room;
    ASSERT_TRUE(room.started);
    const int before = room.Sent();
    Messaging::SendSingleMessage(nullptr, kLine);
    EXPECT_EQ(room.Sent(), before);
}

TEST(Messaging, SingleOperationsReachOnlyTheirPlayer) {
    Room room;
    ASSERT_TRUE(room.started);
    Messaging::SendSingleMessage(room.EdictOf(room.carol), "to carol\n");
    Messaging::SendSingleHintMessage(room.EdictOf(room.carol), "hint for carol");
    Messaging::SendSingleCenteredMessage(room.EdictOf(room.bob), "centre for bob");
    EXPECT_EQ(room.Received(sim::InboxKind::Chat), Texts{"carol: to carol\n"});
    EXPECT_EQ(room.Received(sim::InboxKind::Hint), Texts{"carol: hint for carol"});
    EXPECT_EQ(room.Received(sim::InboxKind::Center), Texts{"bob: centre for bob"});
    EXPECT_EQ(room.bob->GetInbox().OfKind(sim::InboxKind::Center)[0]->messageType, 5);
}

TEST(Messaging, ABotOrSourceTVTargetGetsAMessageWithoutRecipients) {
    Room room;
    ASSERT_TRUE(room.started);
    for (sim::Client* target : {room.bot, room.tv}) {
        const int before = room.Sent();
        Messaging::SendSingleHintMessage(room.EdictOf(target), "nobody");
        Messaging::SendSingleCenteredMessage(room.EdictOf(target), "nobody");
        Messaging::SendSingleMessage(room.EdictOf(target), "nobody\n");
        EXPECT_EQ(room.Sent(), before + 3) << target->Name();
    }
    EXPECT_TRUE(room.Received(sim::InboxKind::Hint).empty());
    EXPECT_TRUE(room.Received(sim::InboxKind::Center).empty());
    EXPECT_TRUE(room.Received(sim::InboxKind::Chat).empty());
}

TEST(Messaging, TeamChatReachesTheHumansOfThatTeamOnly) {
    Room room;
    ASSERT_TRUE(room.started);
    Messaging::SendTeamMessage(room.EdictOf(room.dave), "spectators\n");
    Messaging::SendTeamMessage(room.EdictOf(room.bob), "terrorists\n");
    EXPECT_EQ(room.Received(sim::InboxKind::Chat),
              (Texts{"alice: terrorists\n", "bob: terrorists\n", "dave: spectators\n",
                     "erin: spectators\n"}));
}

TEST(Messaging, TeamChatForAnEdictWithoutPlayerRecordSendsNothing) {
    Room room;
    ASSERT_TRUE(room.started);
    const int before = room.Sent();
    Messaging::SendTeamMessage(g_host.engine->PEntityOfEntIndex(0), "world\n");
    Messaging::SendTeamMessage(g_host.engine->PEntityOfEntIndex(30), "empty slot\n");
    EXPECT_EQ(room.Sent(), before);
}

TEST(Messaging, HintsAndCentredTextToAllUseTheirOwnMessages) {
    Room room;
    ASSERT_TRUE(room.started);
    Messaging::SendAllHintMessage("TRAVIK HAS BEEN DISABLED");
    Messaging::SendAllCenteredMessage("Match is LIVE");
    EXPECT_EQ(room.Received(sim::InboxKind::Hint).size(), 5u);
    EXPECT_EQ(room.Received(sim::InboxKind::Center).size(), 5u);
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Hint)[0]->messageType, 22);
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Center)[0]->text, "Match is LIVE");
}

}  // namespace
