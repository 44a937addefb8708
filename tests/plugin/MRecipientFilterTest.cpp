// The recipient list handed to the engine: its positions must never read
// outside the list, and a recipient is listed once.
#include <gtest/gtest.h>

#include "core/MRecipientFilter.h"

TEST(MRecipientFilterUnit, PositionsOutsideTheListAnswerMinusOne) {
    MRecipientFilter filter;
    EXPECT_EQ(filter.GetRecipientIndex(0), -1);
    filter.AddRecipient(4);
    filter.AddRecipient(9);
    EXPECT_EQ(filter.GetRecipientCount(), 2);
    EXPECT_EQ(filter.GetRecipientIndex(0), 4);
    EXPECT_EQ(filter.GetRecipientIndex(1), 9);
    EXPECT_EQ(filter.GetRecipientIndex(-1), -1);
    EXPECT_EQ(filter.GetRecipientIndex(2), -1);
}

TEST(MRecipientFilterUnit, ARecipientIsListedOnce) {
    MRecipientFilter filter;
    filter.AddRecipient(3);
    filter.AddRecipient(3);
    filter.AddRecipient(5);
    filter.AddRecipient(3);
    EXPECT_EQ(filter.GetRecipientCount(), 2);
    EXPECT_FALSE(filter.IsReliable());
    EXPECT_FALSE(filter.IsInitMessage());
}

TEST(MRecipientFilterUnit, AddingAllPlayersWithoutAHostLeavesTheListEmpty) {
    MRecipientFilter filter;
    filter.AddRecipient(2);
    filter.AddAllPlayers(32);
    EXPECT_EQ(filter.GetRecipientCount(), 0);
}
