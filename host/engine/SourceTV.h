// SourceTV: a fake client that joins at a level start while tv_enable is 1,
// and the demo recording of tv_record and tv_stoprecord.
#pragma once

#include <string>

namespace sim {

class Server;
class Client;

class SourceTV {
public:
    explicit SourceTV(Server& server) : m_server(server) {}

    void OnLevelStart();
    // A recording ends with its level.
    void OnLevelShutdown();

    bool IsActive() const;
    Client* GetClient() const { return IsActive() ? m_client : nullptr; }

    // tv_record: ".dem" is added; refused without SourceTV or while recording.
    bool Record(const std::string& name);
    // tv_stoprecord.
    bool StopRecord();
    bool IsRecording() const { return !m_demo.empty(); }
    const std::string& DemoName() const { return m_demo; }

private:
    Server& m_server;
    Client* m_client = nullptr;
    std::string m_demo;
    float m_startTime = 0.0f;
};

}  // namespace sim
