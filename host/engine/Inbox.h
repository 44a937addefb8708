// What one client has seen: its console text, and the chat lines, hints,
// centred texts and menus that user messages brought it, in arrival order;
// and how it left the server, if it did.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TextLog.h"

namespace sim {

enum class InboxKind { Chat, Hint, Center, Notify, Menu, Other };

struct InboxEntry {
    InboxKind kind = InboxKind::Other;
    std::string text;
    int sender = 0;        // chat: entity index of the sender, 0 for the server
    int keys = 0;          // menu: valid-keys mask
    int displayTime = 0;   // menu: seconds, -1 until closed
    int messageType = -1;  // the user message index it came in
};

class Inbox {
public:
    static const char* KindName(InboxKind kind);
    static std::optional<InboxKind> KindFromName(std::string_view name);

    void Add(InboxEntry entry) { m_entries.push_back(std::move(entry)); }
    // A menu arrives in parts; the last part ("more" false) completes it.
    void AddMenuPart(int keys, int displayTime, bool more, std::string_view text);
    // Text for the client's console.
    void Print(std::string_view text) { m_console.Append(text); }

    const std::vector<InboxEntry>& Entries() const { return m_entries; }
    std::vector<const InboxEntry*> OfKind(InboxKind kind) const;
    const TextLog& Console() const { return m_console; }
    void Clear();

private:
    std::vector<InboxEntry> m_entries;
    TextLog m_console;
    std::string m_pendingMenu;
};

}  // namespace sim
