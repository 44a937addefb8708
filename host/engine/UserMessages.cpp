#include "engine/UserMessages.h"

#include <tier0/dbg.h>

#include "engine/Client.h"

namespace sim {

namespace {

constexpr int kMaxString = 256;

std::string ReadText(bf_read& reader) {
    char text[kMaxString];
    reader.ReadString(text, sizeof(text));
    return text;
}

// "%s1".."%s4" in a text message take its parameters.
std::string Substitute(std::string text, const std::vector<std::string>& params) {
    for (size_t i = 0; i < params.size(); ++i) {
        const std::string token = "%s" + std::to_string(i + 1);
        for (size_t at = text.find(token); at != std::string::npos;
             at = text.find(token, at + params[i].size()))
            text.replace(at, token.size(), params[i]);
    }
    return text;
}

DecodedMessage DecodeTextMsg(bf_read& reader, int messageType) {
    DecodedMessage message;
    const int destination = reader.ReadByte();
    std::string text = ReadText(reader);
    std::vector<std::string> params;
    while (params.size() < 4 && reader.GetNumBitsLeft() >= 8)
        params.push_back(ReadText(reader));
    message.entry.text = Substitute(std::move(text), params);
    message.entry.messageType = messageType;
    switch (destination) {
        case HUD_PRINTCENTER:
            message.entry.kind = InboxKind::Center;
            break;
        case HUD_PRINTTALK:
            message.entry.kind = InboxKind::Chat;
            break;
        case HUD_PRINTCONSOLE:
            message.kind = DecodedMessage::Kind::ConsoleText;
            break;
        case HUD_PRINTNOTIFY:
            message.entry.kind = InboxKind::Notify;
            break;
        default:
            message.entry.kind = InboxKind::Other;
            break;
    }
    return message;
}

// Sender, chat flag, a format or localisation token, then its parameters,
// which take the places of "%s1".."%s4" as the client's formatting does.
DecodedMessage DecodeSayText2(bf_read& reader) {
    DecodedMessage message;
    message.entry.kind = InboxKind::Chat;
    message.entry.messageType = UserMessages::kSayText2;
    message.entry.sender = reader.ReadByte();
    reader.ReadByte();
    std::string format = ReadText(reader);
    std::vector<std::string> params;
    while (params.size() < 4 && reader.GetNumBitsLeft() >= 8)
        params.push_back(ReadText(reader));
    message.entry.text = Substitute(std::move(format), params);
    return message;
}

}  // namespace

bf_write* UserMessages::Begin(IRecipientFilter* filter, int messageType) {
    if (m_open) {
        m_fatal("UserMessageBegin: message " + std::to_string(messageType) +
                " begun while message " + std::to_string(m_type) + " is still open");
        // The real process is gone by now; the caller may still write.
        m_discard.StartWriting(m_discardData, sizeof(m_discardData));
        return &m_discard;
    }
    m_open = true;
    m_type = messageType;
    m_recipients.clear();
    for (int i = 0; filter && i < filter->GetRecipientCount(); ++i)
        m_recipients.push_back(filter->GetRecipientIndex(i));
    m_buffer.StartWriting(m_data, sizeof(m_data));
    return &m_buffer;
}

void UserMessages::End() {
    if (!m_open) {
        m_fatal("MessageEnd: no user message was begun");
        return;
    }
    m_open = false;
    if (m_buffer.IsOverflowed()) {
        Warning("Usermessage %d overflowed its %d bytes; dropped\n", m_type, MAX_USER_MSG_DATA);
        ++m_dropped;
        return;
    }
    ++m_sent;
    const DecodedMessage message = Decode(m_type, m_data, m_buffer.GetNumBitsWritten());
    for (int index : m_recipients)
        if (Client* client = m_clientAt(index))
            Deliver(*client, message);
    if (m_onSent)
        m_onSent(m_recipients, m_type, message);
}

DecodedMessage UserMessages::Decode(int messageType, const unsigned char* data, int bits) {
    bf_read reader(data, (bits + 7) / 8, bits);
    DecodedMessage message;
    message.entry.messageType = messageType;
    switch (messageType) {
        case kSayText:
            message.entry.kind = InboxKind::Chat;
            message.entry.sender = reader.ReadByte();
            message.entry.text = ReadText(reader);
            return message;
        case kSayText2:
            return DecodeSayText2(reader);
        case kTextMsg:
            return DecodeTextMsg(reader, messageType);
        case kShowMenu:
            message.kind = DecodedMessage::Kind::MenuPart;
            message.entry.kind = InboxKind::Menu;
            message.entry.keys = reader.ReadWord();
            message.entry.displayTime = reader.ReadChar();
            message.more = reader.ReadByte() != 0;
            message.entry.text = ReadText(reader);
            return message;
        case kHintText:
            message.entry.kind = InboxKind::Hint;
            reader.ReadByte();
            message.entry.text = ReadText(reader);
            return message;
        default:
            message.entry.kind = InboxKind::Other;
            return message;
    }
}

void UserMessages::Deliver(Client& client, const DecodedMessage& message) {
    // The client answers the voice manager's question with its
    // voice_modenable, in its next packet.
    if (message.entry.messageType == kRequestState)
        client.QueueCommand(client.VoiceEnabled() ? "VModEnable 1" : "VModEnable 0");
    Inbox& inbox = client.GetInbox();
    switch (message.kind) {
        case DecodedMessage::Kind::ConsoleText:
            inbox.Print(message.entry.text);
            break;
        case DecodedMessage::Kind::MenuPart:
            inbox.AddMenuPart(message.entry.keys, message.entry.displayTime, message.more,
                              message.entry.text);
            break;
        case DecodedMessage::Kind::Entry:
            inbox.Add(message.entry);
            break;
    }
}

}  // namespace sim
