// User messages: the bytes a plug-in writes, decoded into each recipient's
// inbox as chat, centred text, console text, menus and hints; size limits.
#include <irecipientfilter.h>
#include <tier1/bitbuf.h>

#include "SimServerTest.h"

namespace {

class Recipients final : public IRecipientFilter {
public:
    Recipients(std::initializer_list<int> indexes) : m_indexes(indexes) {}
    bool IsReliable() const override { return false; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return static_cast<int>(m_indexes.size()); }
    int GetRecipientIndex(int slot) const override {
        return slot >= 0 && slot < GetRecipientCount() ? m_indexes[static_cast<size_t>(slot)] : -1;
    }

private:
    std::vector<int> m_indexes;
};

class SrcdsSimUserMessages : public SimServerTest {
protected:
    void SetUp() override {
        StartServer("+maxplayers 4 +map de_dust2");
        alice = &Connect("alice");
        bob = &Connect("bob");
    }

    template <typename Writer>
    void Send(Recipients recipients, int type, Writer write) {
        bf_write* buffer = server->Engine().UserMessageBegin(&recipients, type);
        ASSERT_NE(buffer, nullptr);
        write(*buffer);
        server->Engine().MessageEnd();
    }

    sim::Client* alice = nullptr;
    sim::Client* bob = nullptr;
};

TEST_F(SrcdsSimUserMessages, ChatKeepsItsColourBytesAndReachesOnlyTheRecipients) {
    Send({1}, 3, [](bf_write& b) {
        b.WriteByte(0);
        b.WriteString("\x03Travik:\x04 Notice - sv_cheats Enabled\n");
        b.WriteByte(0);
    });
    const auto chat = alice->GetInbox().OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0]->text, "\x03Travik:\x04 Notice - sv_cheats Enabled\n");
    EXPECT_EQ(chat[0]->sender, 0);
    EXPECT_TRUE(bob->GetInbox().Entries().empty());
}

TEST_F(SrcdsSimUserMessages, TextMessagesGoWhereTheirDestinationSays) {
    Send({1, 2}, 5, [](bf_write& b) {
        b.WriteByte(HUD_PRINTCENTER);
        b.WriteString("Game will restart in %s1 seconds");
        b.WriteString("3");
    });
    Send({1}, 5, [](bf_write& b) {
        b.WriteByte(HUD_PRINTCONSOLE);
        b.WriteString("to the console\n");
    });
    const auto centre = alice->GetInbox().OfKind(sim::InboxKind::Center);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->text, "Game will restart in 3 seconds");
    EXPECT_EQ(bob->GetInbox().OfKind(sim::InboxKind::Center).size(), 1u);
    EXPECT_TRUE(alice->GetInbox().Console().Contains("to the console\n"));
}

// Index 4 is SayText2 on this game, not a text message: a byte that looks
// like a destination is its sender.
TEST_F(SrcdsSimUserMessages, IndexFourIsSayText2WithItsParameters) {
    Send({1}, 4, [](bf_write& b) {
        b.WriteByte(2);
        b.WriteByte(1);
        b.WriteString("\x03%s1\x01 :  %s2");
        b.WriteString("bob");
        b.WriteString("gg");
    });
    EXPECT_TRUE(alice->GetInbox().OfKind(sim::InboxKind::Center).empty());
    const auto chat = alice->GetInbox().OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0]->text,
              "\x03"
              "bob\x01 :  gg");
    EXPECT_EQ(chat[0]->sender, 2);
    EXPECT_EQ(chat[0]->messageType, 4);
}

TEST_F(SrcdsSimUserMessages, MenusArriveWholeWithKeysAndSignedTime) {
    Send({2}, 10, [](bf_write& b) {
        b.WriteWord(0xFFFF);
        b.WriteChar(-1);
        b.WriteByte(1);
        b.WriteString("->1. first part ");
    });
    EXPECT_TRUE(bob->GetInbox().OfKind(sim::InboxKind::Menu).empty()) << "more follows";
    Send({2}, 10, [](bf_write& b) {
        b.WriteWord(0x3FF);
        b.WriteChar(10);
        b.WriteByte(0);
        b.WriteString("and the rest");
    });
    const auto menus = bob->GetInbox().OfKind(sim::InboxKind::Menu);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0]->text, "->1. first part and the rest");
    EXPECT_EQ(menus[0]->keys, 0x3FF);
    EXPECT_EQ(menus[0]->displayTime, 10);
    Send({2}, 10, [](bf_write& b) {
        b.WriteWord(-1);
        b.WriteChar(-1);
        b.WriteByte(0);
        b.WriteString("until closed");
    });
    EXPECT_EQ(bob->GetInbox().OfKind(sim::InboxKind::Menu).back()->displayTime, -1);
    EXPECT_EQ(bob->GetInbox().OfKind(sim::InboxKind::Menu).back()->keys, 0xFFFF);
}

TEST_F(SrcdsSimUserMessages, HintsSkipTheirLeadingByte) {
    Send({1}, 22, [](bf_write& b) {
        b.WriteByte(1);
        b.WriteString("TRAVIK HAS BEEN DISABLED");
    });
    const auto hints = alice->GetInbox().OfKind(sim::InboxKind::Hint);
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0]->text, "TRAVIK HAS BEEN DISABLED");
}

TEST_F(SrcdsSimUserMessages, AnOverflowingMessageIsDroppedWithAWarning) {
    const std::string longText(300, 'x');
    Send({1}, 3, [&](bf_write& b) {
        b.WriteByte(0);
        b.WriteString(longText.c_str());
        b.WriteByte(0);
    });
    EXPECT_TRUE(alice->GetInbox().Entries().empty());
    EXPECT_EQ(server->Messages().DroppedCount(), 1);
    EXPECT_TRUE(ConsoleHas("Usermessage 3 overflowed"));
    // Exactly 255 bytes still fit: sender, 252 characters and NUL, chat flag.
    const std::string fits(252, 'y');
    Send({1}, 3, [&](bf_write& b) {
        b.WriteByte(0);
        b.WriteString(fits.c_str());
        b.WriteByte(0);
    });
    ASSERT_EQ(alice->GetInbox().OfKind(sim::InboxKind::Chat).size(), 1u);
}

TEST_F(SrcdsSimUserMessages, BadRecipientsAndBotsAreHarmless) {
    server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    Send({-1, 0, 3, 64, 99}, 3, [](bf_write& b) {
        b.WriteByte(0);
        b.WriteString("nobody human");
        b.WriteByte(0);
    });
    EXPECT_TRUE(alice->GetInbox().Entries().empty());
    EXPECT_TRUE(server->IsUp());
}

TEST_F(SrcdsSimUserMessages, AnEndWithoutABeginStopsTheServer) {
    server->Engine().MessageEnd();
    EXPECT_FALSE(server->IsUp());
    EXPECT_EQ(server->FatalErrorMessage(), "MessageEnd: no user message was begun");
    EXPECT_TRUE(ConsoleHas("FATAL ERROR: MessageEnd: no user message was begun\n"));
    // Halted: frames and console lines do nothing any more.
    const int frame = server->Globals().framecount;
    server->RunTicks(5);
    Console("echo still here");
    EXPECT_EQ(server->Globals().framecount, frame);
    EXPECT_FALSE(ConsoleHas("still here"));
}

TEST_F(SrcdsSimUserMessages, ABeginWhileAMessageIsOpenStopsTheServer) {
    Recipients toAlice{1};
    bf_write* outer = server->Engine().UserMessageBegin(&toAlice, 3);
    ASSERT_NE(outer, nullptr);
    bf_write* inner = server->Engine().UserMessageBegin(&toAlice, 5);
    ASSERT_NE(inner, nullptr) << "the caller may still write without crashing";
    inner->WriteString("written after the error");
    EXPECT_FALSE(server->IsUp());
    EXPECT_EQ(server->FatalErrorMessage(),
              "UserMessageBegin: message 5 begun while message 3 is still open");
}

TEST_F(SrcdsSimUserMessages, ClientPrintfLandsInThatClientsConsoleOnly) {
    server->Engine().ClientPrintf(server->Edicts().Get(2), "[Travik] Traviked Command\n");
    EXPECT_TRUE(bob->GetInbox().Console().HasLine("[Travik] Traviked Command"));
    EXPECT_FALSE(alice->GetInbox().Console().Contains("Traviked"));
    server->Engine().ClientPrintf(server->Edicts().Get(3), "to an empty slot\n");
    server->Engine().ClientPrintf(nullptr, "to nobody\n");
}

}  // namespace
