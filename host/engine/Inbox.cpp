#include "engine/Inbox.h"

namespace sim {

namespace {

struct KindNameEntry {
    InboxKind kind;
    const char* name;
};

constexpr KindNameEntry kKindNames[] = {
    {InboxKind::Chat, "chat"},     {InboxKind::Hint, "hint"}, {InboxKind::Center, "center"},
    {InboxKind::Notify, "notify"}, {InboxKind::Menu, "menu"}, {InboxKind::Other, "other"},
};

}  // namespace

const char* Inbox::KindName(InboxKind kind) {
    for (const KindNameEntry& entry : kKindNames)
        if (entry.kind == kind)
            return entry.name;
    return "other";
}

std::optional<InboxKind> Inbox::KindFromName(std::string_view name) {
    if (name == "centre")
        return InboxKind::Center;
    for (const KindNameEntry& entry : kKindNames)
        if (name == entry.name)
            return entry.kind;
    return std::nullopt;
}

void Inbox::AddMenuPart(int keys, int displayTime, bool more, std::string_view text) {
    m_pendingMenu.append(text);
    if (more)
        return;
    InboxEntry entry;
    entry.kind = InboxKind::Menu;
    entry.text = std::move(m_pendingMenu);
    entry.keys = keys;
    entry.displayTime = displayTime;
    entry.messageType = 10;
    m_pendingMenu.clear();
    Add(std::move(entry));
}

std::vector<const InboxEntry*> Inbox::OfKind(InboxKind kind) const {
    std::vector<const InboxEntry*> found;
    for (const InboxEntry& entry : m_entries)
        if (entry.kind == kind)
            found.push_back(&entry);
    return found;
}

void Inbox::Clear() {
    m_entries.clear();
    m_console.Clear();
    m_pendingMenu.clear();
}

}  // namespace sim
