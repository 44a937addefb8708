// User messages: begun by a plug-in or the game with a recipient filter and
// a message index, written into a bit buffer of at most MAX_USER_MSG_DATA
// bytes, and on MessageEnd decoded into each recipient's inbox: chat (3, and
// SayText2 at 4), text (5: centre, console, chat, notify), menus (10) and
// hints (22). Beginning while a message is open, or ending none, is a fatal
// engine error.
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
    static constexpr int kSayText2 = 4;
    static constexpr int kTextMsg = 5;
    static constexpr int kShowMenu = 10;
    static constexpr int kRequestState = 18;
    static constexpr int kHintText = 22;

    // clientAt answers the connected client (a human or SourceTV) of an entity index, or
    // null; fatal stops the server with a message.
    UserMessages(std::function<Client*(int)> clientAt,
                 std::function<void(const std::string&)> fatal)
        : m_clientAt(std::move(clientAt)), m_fatal(std::move(fatal)) {}

    bf_write* Begin(IRecipientFilter* filter, int messageType);
    void End();

    static DecodedMessage Decode(int messageType, const unsigned char* data, int bits);
    // Puts the message into the client's inbox (and has the client answer
    // what it answers).
    static void Deliver(Client& client, const DecodedMessage& message);
    // Told of every message sent: its recipients, index and decoding.
    using SentListener = std::function<void(const std::vector<int>&, int, const DecodedMessage&)>;
    void SetSentListener(SentListener listener) { m_onSent = std::move(listener); }

    int SentCount() const { return m_sent; }
    int DroppedCount() const { return m_dropped; }

private:
    std::function<Client*(int)> m_clientAt;
    std::function<void(const std::string&)> m_fatal;
    SentListener m_onSent;
    unsigned char m_data[MAX_USER_MSG_DATA] = {};
    bf_write m_buffer;
    // What a caller writes after a fatal Begin goes here and nowhere.
    unsigned char m_discardData[MAX_USER_MSG_DATA] = {};
    bf_write m_discard;
    std::vector<int> m_recipients;
    int m_type = -1;
    bool m_open = false;
    int m_sent = 0;
    int m_dropped = 0;
};

}  // namespace sim
