// User messages: begun by a plug-in or the game with a recipient filter and
// a message index, written into a bit buffer of at most MAX_USER_MSG_DATA
// bytes, and on MessageEnd decoded into each recipient's inbox: chat (3),
// text (4 and 5: centre, console, chat, notify), menus (10) and hints (22).
#pragma once

#include <irecipientfilter.h>
#include <shareddefs.h>
#include <tier1/bitbuf.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/Inbox.h"

namespace sim {

class Client;

// A user message as the client reads it.
struct DecodedMessage {
    enum class Kind { Entry, ConsoleText, MenuPart } kind = Kind::Entry;
    InboxEntry entry;
    bool more = false;  // MenuPart: further parts follow
};

class UserMessages {
public:
    static constexpr int kSayText = 3;
    static constexpr int kTextMsgOther = 4;
    static constexpr int kTextMsg = 5;
    static constexpr int kShowMenu = 10;
    static constexpr int kRequestState = 18;
    static constexpr int kHintText = 22;

    // clientAt answers the connected human client of an entity index, or null.
    explicit UserMessages(std::function<Client*(int)> clientAt) : m_clientAt(std::move(clientAt)) {}

    bf_write* Begin(IRecipientFilter* filter, int messageType);
    void End();

    static DecodedMessage Decode(int messageType, const unsigned char* data, int bits);

    int SentCount() const { return m_sent; }
    int DroppedCount() const { return m_dropped; }

private:
    void Deliver(Client& client, const DecodedMessage& message);

    std::function<Client*(int)> m_clientAt;
    unsigned char m_data[MAX_USER_MSG_DATA] = {};
    bf_write m_buffer;
    std::vector<int> m_recipients;
    int m_type = -1;
    bool m_open = false;
    int m_sent = 0;
    int m_dropped = 0;
};

}  // namespace sim
