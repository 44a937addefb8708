#include "engine/SourceTV.h"

#include <tier0/dbg.h>

#include "engine/Server.h"

namespace sim {

namespace {

bool IsPlainDemoName(const std::string& name) {
    return !name.empty() && name[0] != '/' && name.find("..") == std::string::npos &&
           name.find('\\') == std::string::npos;
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
    const std::string header = std::string("HL2DEMO") + '\0' + m_server.MapName() + "\n";
    if (!m_server.Files().WriteFile(file.c_str(), "GAME", header)) {
        Msg("Couldn't open demo file %s.\n", file.c_str());
        return false;
    }
    m_demo = file;
    m_startTime = m_server.Globals().curtime;
    Msg("Recording SourceTV demo to %s...\n", file.c_str());
    return true;
}

bool SourceTV::StopRecord() {
    if (!IsRecording()) {
        Msg("Not recording SourceTV demo.\n");
        return false;
    }
    Msg("Completed SourceTV demo \"%s\", recording time %.1f\n", m_demo.c_str(),
        static_cast<double>(m_server.Globals().curtime - m_startTime));
    m_demo.clear();
    return true;
}

}  // namespace sim
