// SourceTV: a fake client ("SourceTV", network ID "HLTV", on the spectator
// team) that joins at a level start while tv_enable is 1 and receives every
// user message sent to all players; and the demo recording of tv_record and
// tv_stoprecord.
//
// A demo file starts with the real 1072-byte header ("HL2DEMO\0", demo
// protocol 3, network protocol 24, server name, client name, level and game
// folder in 260 bytes each, then playback time, ticks, frames and sign-on
// length, filled in when the recording stops). In place of the network
// frames, a line per user message SourceTV received while recording follows:
//   usermsg TICK INDEX KIND "TEXT"
// KIND is chat, hint, center, notify, menu, console or other; TEXT is what
// the message shows, with \\, \", line breaks (\n, \r) escaped.
#pragma once

#include <string>
#include <vector>

namespace sim {

class Server;
class Client;
struct DecodedMessage;

class SourceTV {
public:
    static constexpr int kHeaderSize = 1072;
    static constexpr int kDemoProtocol = 3;
    static constexpr int kNetworkProtocol = 24;

    explicit SourceTV(Server& server) : m_server(server) {}

    void OnLevelStart();
    // A recording ends with its level.
    void OnLevelShutdown();

    bool IsActive() const;
    Client* GetClient() const { return IsActive() ? m_client : nullptr; }

    // A user message went out to these entity indexes: SourceTV receives it
    // when it was sent to every player (every human in the game is among
    // them) or to SourceTV itself, and records it while a demo runs.
    void OnUserMessage(const std::vector<int>& recipients, int messageType,
                       const DecodedMessage& message);

    // tv_record: ".dem" is added; refused without SourceTV or while recording.
    bool Record(const std::string& name);
    // tv_stoprecord.
    bool StopRecord();
    bool IsRecording() const { return !m_demo.empty(); }
    const std::string& DemoName() const { return m_demo; }

private:
    bool ReceivesMessageTo(const std::vector<int>& recipients) const;
    std::string Header(float playbackTime, int ticks) const;
    bool WriteDemo(float playbackTime, int ticks);

    Server& m_server;
    Client* m_client = nullptr;
    std::string m_demo;
    std::string m_records;
    float m_startTime = 0.0f;
    int m_startTick = 0;
};

}  // namespace sim
