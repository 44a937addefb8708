// The Steam ID list to everybody, which the live start prints: driven
// directly on a srcds-sim level until a command reaches it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimRoom.h"
#include "match/TKMatch.h"

namespace {

using Texts = std::vector<std::string>;

TEST(TKMatchService, TheListToEverybodyNamesEachHumanBetweenBlankLines) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    TKMatch match;
    match.PrintSteamIDs(false);
    Texts expected(8, " \n");
    expected.push_back("Player Steam IDs:\n");
    for (const sim::Client* client : {room.alice, room.bob, room.carol, room.dave, room.erin}) {
        std::string id = client->SteamId();
        expected.push_back(client->Name() + " - " + id.substr(6) + "\n");
    }
    expected.insert(expected.end(), 8, " \n");
    std::vector<std::string> seen;
    for (const sim::InboxEntry* entry : room.carol->GetInbox().OfKind(sim::InboxKind::Chat)) {
        seen.push_back(entry->text);
    }
    EXPECT_EQ(seen, expected);
}

TEST(TKMatchService, TheListWithoutHumansIsEightBlankLinesOnly) {
    SimRoom room;
    ASSERT_TRUE(room.started);
    for (sim::Client* client : {room.alice, room.bob, room.carol, room.dave, room.erin}) {
        room.server->Clients().Disconnect(*client, "gone", false);
    }
    const int before = room.Sent();
    TKMatch match;
    match.PrintSteamIDs(false);
    EXPECT_EQ(room.Sent(), before + 8) << "no header, no player line";
}

}  // namespace
