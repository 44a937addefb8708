// Chat, hint, centred text and menus through srcds-sim's real user-message
// path: who receives what, byte for byte. These senders have no caller in
// the plug-in yet (one player's hint or centred text, team chat, menus of
// any length), so this suite drives Messaging directly with the host's own
// interfaces; chat and hints to all are judged by the feature tests.
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

TEST(MessagingService, CentredTextToAllUsesItsOwnMessage) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    Messaging::SendAllCenteredMessage("Match is LIVE");
    EXPECT_EQ(room.Received(sim::InboxKind::Center).size(), 5u);
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Center)[0]->text, "Match is LIVE");
    EXPECT_EQ(room.erin->GetInbox().OfKind(sim::InboxKind::Center)[0]->messageType, 5);
}

// Ready-up's menus: to one human or to every human, every key valid. A user
// message holds 255 bytes, so a longer menu goes in parts that the client
// joins; past 1023 bytes the text is cut.
TEST(MessagingService, MenusReachHumansOnlyAndLongOnesArriveWhole) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    Messaging::SendSingleMenu(room.EdictOf(room.bot), 5, "nobody");
    Messaging::SendSingleMenu(room.EdictOf(room.carol), 5, "->1. Ready\n->2. Not ready\n");
    EXPECT_EQ(room.Received(sim::InboxKind::Menu), Texts{"carol: ->1. Ready\n->2. Not ready\n"});
    const sim::InboxEntry* menu = room.carol->GetInbox().OfKind(sim::InboxKind::Menu)[0];
    EXPECT_EQ(menu->keys, 0xFFFF);
    EXPECT_EQ(menu->displayTime, 5);

    std::string panel;
    for (int line = 0; panel.size() < 600; ++line) {
        panel += "line " + std::to_string(line) + " of the panel\n";
    }
    const int before = room.Sent();
    Messaging::SendAllMenu(8, panel.c_str());
    EXPECT_EQ(room.Sent(), before + 3);
    const auto menus = room.dave->GetInbox().OfKind(sim::InboxKind::Menu);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0]->text, panel);
    EXPECT_EQ(menus[0]->displayTime, 8);
    EXPECT_EQ(room.Received(sim::InboxKind::Menu).size(), 6u);

    const std::string huge(2000, 'h');
    Messaging::SendSingleMenu(room.EdictOf(room.erin), -1, huge.c_str());
    const auto erins = room.erin->GetInbox().OfKind(sim::InboxKind::Menu);
    ASSERT_EQ(erins.size(), 2u);
    EXPECT_EQ(erins[1]->text, std::string(1023, 'h'));
}

}  // namespace
