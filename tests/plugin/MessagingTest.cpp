// Chat, hint and centred text through srcds-sim's real user-message path:
// who receives what, byte for byte. The senders for one player and one team
// have no caller in the plug-in yet, so this suite drives the Messaging
// operations directly with the host's own interfaces.
#include <eiface.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "messaging/Messaging.h"

namespace {

using Texts = std::vector<std::string>;

const char* const kLine = "\x03Travik:\x04 Anti-Flash Fix Enabled\n";

TEST(MessagingService, ChatToAllReachesEveryHumanByteForByteFromTheServer) {
    SimRoom room;
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

TEST(MessagingService, ANullPlayerGetsNothingSentAtAll) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    const int before = room.Sent();
    Messaging::SendSingleMessage(nullptr, kLine);
    EXPECT_EQ(room.Sent(), before);
}

TEST(MessagingService, SingleOperationsReachOnlyTheirPlayer) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    Messaging::SendSingleMessage(room.EdictOf(room.carol), "to carol\n");
    Messaging::SendSingleHintMessage(room.EdictOf(room.carol), "hint for carol");
    Messaging::SendSingleCenteredMessage(room.EdictOf(room.bob), "centre for bob");
    EXPECT_EQ(room.Received(sim::InboxKind::Chat), Texts{"carol: to carol\n"});
    EXPECT_EQ(room.Received(sim::InboxKind::Hint), Texts{"carol: hint for carol"});
    EXPECT_EQ(room.Received(sim::InboxKind::Center), Texts{"bob: centre for bob"});
    EXPECT_EQ(room.bob->GetInbox().OfKind(sim::InboxKind::Center)[0]->messageType, 5);
}

TEST(MessagingService, ABotOrSourceTVTargetGetsAMessageWithoutRecipients) {
    SimRoom room;
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

TEST(MessagingService, TeamChatReachesTheHumansOfThatTeamOnly) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    Messaging::SendTeamMessage(room.EdictOf(room.dave), "spectators\n");
    Messaging::SendTeamMessage(room.EdictOf(room.bob), "terrorists\n");
    EXPECT_EQ(room.Received(sim::InboxKind::Chat),
              (Texts{"alice: terrorists\n", "bob: terrorists\n", "dave: spectators\n",
                     "erin: spectators\n"}));
}

TEST(MessagingService, TeamChatForAnEdictWithoutPlayerRecordSendsNothing) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    const int before = room.Sent();
    Messaging::SendTeamMessage(g_host.engine->PEntityOfEntIndex(0), "world\n");
    Messaging::SendTeamMessage(g_host.engine->PEntityOfEntIndex(30), "empty slot\n");
    EXPECT_EQ(room.Sent(), before);
}

TEST(MessagingService, HintsAndCentredTextToAllUseTheirOwnMessages) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    Messaging::SendAllHintMessage("TRAVIK HAS BEEN DISABLED");
    Messaging::SendAllCenteredMessage("Match is LIVE");
    EXPECT_EQ(room.Received(sim::InboxKind::Hint).size(), 5u);
    EXPECT_EQ(room.Received(sim::InboxKind::Center).size(), 5u);
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Hint)[0]->messageType, 22);
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Center)[0]->text, "Match is LIVE");
}

}  // namespace
