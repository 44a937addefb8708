#include "engine/SourceTV.h"

#include <tier0/dbg.h>

#include <algorithm>
#include <cstring>

#include "engine/Server.h"
#include "engine/UserMessages.h"

namespace sim {

namespace {

constexpr size_t kNameField = 260;

bool IsPlainDemoName(const std::string& name) {
    return !name.empty() && name[0] != '/' && name.find("..") == std::string::npos &&
           name.find('\\') == std::string::npos;
}

template <class T>
void AppendRaw(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

// A fixed field of the header: the text, cut to leave its terminator, padded with zeros.
void AppendField(std::string& out, const std::string& text) {
    const size_t length = std::min(text.size(), kNameField - 1);
    out.append(text, 0, length);
    out.append(kNameField - length, '\0');
}

const char* KindOf(const DecodedMessage& message) {
    if (message.kind == DecodedMessage::Kind::ConsoleText)
        return "console";
    switch (message.entry.kind) {
        case InboxKind::Chat:
            return "chat";
        case InboxKind::Hint:
            return "hint";
        case InboxKind::Center:
            return "center";
        case InboxKind::Notify:
            return "notify";
        case InboxKind::Menu:
            return "menu";
        case InboxKind::Other:
            break;
    }
    return "other";
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

bool SourceTV::IsActive() const {
    return m_client && m_client->IsConnected();
}

void SourceTV::OnLevelStart() {
    const ConVar* enable = m_server.Cvar().FindVar("tv_enable");
    if (IsActive() || !enable || !enable->GetBool())
        return;
    const ConVar* name = m_server.Cvar().FindVar("tv_name");
    m_client = &m_server.Clients().AddFakeClient(name ? name->GetString() : "SourceTV",
                                                 ClientKind::SourceTV);
    if (IsActive())
        Msg("SourceTV broadcast active.\n");
}

void SourceTV::OnLevelShutdown() {
    if (IsRecording())
        StopRecord();
}

void SourceTV::OnUserMessage(const std::vector<int>& recipients, int messageType,
                             const DecodedMessage& message) {
    if (!IsRecording() || !IsActive() ||
        std::find(recipients.begin(), recipients.end(), m_client->EntityIndex()) ==
            recipients.end())
        return;
    m_records += "usermsg " + std::to_string(m_server.Globals().tickcount - m_startTick) + " " +
                 std::to_string(messageType) + " " + KindOf(message) + " \"" +
                 Escaped(message.entry.text) + "\"\n";
    WriteDemo(m_server.Globals().curtime - m_startTime, m_server.Globals().tickcount - m_startTick);
}

std::string SourceTV::Header(float playbackTime, int ticks) const {
    const ConVar* hostname = m_server.Cvar().FindVar("hostname");
    std::string header("HL2DEMO", 8);  // with its terminator
    AppendRaw<int>(header, kDemoProtocol);
    AppendRaw<int>(header, kNetworkProtocol);
    AppendField(header, hostname ? hostname->GetString() : "");
    AppendField(header, m_client ? m_client->Name() : "SourceTV");
    AppendField(header, m_server.MapName());
    AppendField(header, "cstrike");
    AppendRaw<float>(header, playbackTime);
    AppendRaw<int>(header, ticks);
    AppendRaw<int>(header, ticks);  // frames: one a tick
    AppendRaw<int>(header, 0);      // sign-on data: none kept
    return header;
}

bool SourceTV::WriteDemo(float playbackTime, int ticks) {
    return m_server.Files().WriteFile(m_demo.c_str(), "GAME",
                                      Header(playbackTime, ticks) + m_records);
}

bool SourceTV::Record(const std::string& name) {
    if (!IsActive()) {
        Msg("SourceTV not active.\n");
        return false;
    }
    if (IsRecording()) {
        Msg("Already recording.\n");
        return false;
    }
    if (!IsPlainDemoName(name)) {
        Msg("Invalid demo name \"%s\".\n", name.c_str());
        return false;
    }
    std::string file = name;
    if (file.size() < 4 || file.compare(file.size() - 4, 4, ".dem") != 0)
        file += ".dem";
    m_demo = file;
    m_records.clear();
    m_startTime = m_server.Globals().curtime;
    m_startTick = m_server.Globals().tickcount;
    if (!WriteDemo(0.0f, 0)) {
        Msg("Couldn't open demo file %s.\n", file.c_str());
        m_demo.clear();
        return false;
    }
    Msg("Recording SourceTV demo to %s...\n", file.c_str());
    return true;
}

bool SourceTV::StopRecord() {
    if (!IsRecording()) {
        Msg("Not recording SourceTV demo.\n");
        return false;
    }
    const float length = m_server.Globals().curtime - m_startTime;
    WriteDemo(length, m_server.Globals().tickcount - m_startTick);
    Msg("Completed SourceTV demo \"%s\", recording time %.1f\n", m_demo.c_str(),
        static_cast<double>(length));
    m_demo.clear();
    m_records.clear();
    return true;
}

}  // namespace sim
