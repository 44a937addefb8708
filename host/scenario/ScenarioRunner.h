// Runs the scenario language: plain text, one action or expectation per
// line, against a server in this process. See docs/scenarios.md.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scenario/GameFolder.h"
#include "scenario/PlayerControls.h"
#include "scenario/ScenarioExpectations.h"
#include "scenario/ScenarioProcesses.h"
#include "scenario/ScenarioUdp.h"
#include "scenario/ScenarioWords.h"

namespace sim {

class Server;
class Client;

struct ScenarioOptions {
    std::string templateDir = GameFolder::DefaultTemplateDir();
    std::string modulesDir = GameFolder::DefaultModulesDir();
    // The product's built game folder: an addon missing from modulesDir is
    // taken from its addons/, with its cfg/NAME.cfg.
    std::string productDir = GameFolder::DefaultProductDir();
    // An existing game folder to use as it is, instead of a fresh copy of the template.
    std::string gameDir;
    // Print the console and what the clients receive as it comes.
    bool echo = true;
    bool keepFolder = false;
    // Helper programs of "process start": where bare names are found, how
    // long they may take to name their port and to stop.
    ProcessOptions processes{GameFolder::DefaultToolsDir()};
    // The real time "advance real" keeps pace with (seconds of a monotonic
    // clock) and its sleep; tests replace both.
    std::function<double()> realNow = SteadyNow;
    std::function<void(double)> realSleepUntil = SteadySleepUntil;

    static double SteadyNow();
    static void SteadySleepUntil(double when);
};

class ScenarioRunner {
public:
    enum class Outcome { Ok, Failed, Error };
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitError = 2;
    // The longest "advance real" of one line.
    static constexpr double kMaxRealSeconds = 60.0;

    explicit ScenarioRunner(ScenarioOptions options);
    ~ScenarioRunner();

    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // Runs every line, stopping at the first failed expectation or error,
    // whose message goes to standard error; answers the exit code.
    int RunFile(const std::string& path);
    int RunText(const std::string& text, const std::string& source);
    // One line; messages begin with where ("demo.scn:12").
    Outcome RunLine(const std::string& line, const std::string& where);
    // The message of the last failure or error.
    const std::string& Message() const { return m_message; }

    // Whether a line starting with this word is a scenario action (and not
    // a console line, in the interactive mode).
    static bool IsAction(const std::string& word);
    // Every action, client verb and expectation with its usage, for --help.
    static std::string LanguageHelp();
    // The interactive mode starts its server straight away.
    bool StartServer(const std::string& commandLine);
    Server* GetServer() const { return m_server.get(); }
    // The helper programs of "process start" (for the tests).
    const ScenarioProcesses& Processes() const { return m_processes; }
    // A line typed at the interactive console: queued and run in the next frame.
    void RunConsoleLine(const std::string& line);
    // Ends the run: the server quits, the temporary folder goes.
    void Finish();

private:
    using Action = std::string (ScenarioRunner::*)(ScenarioArgs&);
    using ActionEntry = ScenarioVerb<Action>;
    static const std::vector<ActionEntry>& Actions();

    // "client NAME VERB ...": what the verb needs of the client.
    // Known: on record, even gone; Joined: connected, perhaps still signing
    // on; InGame: put in the server.
    enum class ClientNeeds { Nothing, Known, Joined, InGame };
    struct ClientLine {
        const std::string& name;
        const std::string& verb;
        Client* client;  // null only for a verb that needs nothing
        ScenarioArgs& args;
    };
    using ClientHandler = std::string (ScenarioRunner::*)(ClientLine&);
    struct ClientVerb {
        const char* words;
        ClientNeeds needs;
        ClientHandler handler;
        const char* usage;
        const char* about;
    };
    static const std::vector<ClientVerb>& ClientVerbs();

    std::string EnsureFolder();
    void ForgetServer();
    std::string NeedServer() const;
    Client* FindClient(const std::string& name) const;
    void ReportInboxes();

    std::string Addon(ScenarioArgs& args);
    std::string FileAction(ScenarioArgs& args);
    std::string ClockAction(ScenarioArgs& args);
    std::string GameAction(ScenarioArgs& args);
    std::string ServerAction(ScenarioArgs& args);
    std::string ConsoleAction(ScenarioArgs& args);
    std::string Advance(ScenarioArgs& args);
    // Frames at the wall clock's pace: each one when real time has caught
    // up with the game time it brings.
    // Paced frames; with `until`, an expectation's words, they stop once it
    // holds.
    void RunPaced(int ticks, const ScenarioArgs* until = nullptr);
    // Whether the expectation holds now; false with `error` set when its
    // words are no expectation.
    bool Holds(ScenarioArgs args, std::string& error);
    std::string ProcessAction(ScenarioArgs& args);
    std::string ClientAction(ScenarioArgs& args);
    std::string ConnectClient(ClientLine& line);
    std::string ClientCommand(ClientLine& line);
    std::string ClientSay(ClientLine& line);
    std::string ClientSet(ClientLine& line);
    std::string ClientTeam(ClientLine& line);
    std::string AnswerScript(ClientLine& line);
    std::string ClientLatency(ClientLine& line);
    std::string ClientValidate(ClientLine& line);
    std::string ClientDisconnect(ClientLine& line);
    std::string Bot(ScenarioArgs& args);
    std::string Udp(ScenarioArgs& args);
    std::string Clear(ScenarioArgs& args);
    std::string Note(ScenarioArgs& args);
    std::string Commands(ScenarioArgs& args);
    Outcome Expect(ScenarioArgs& args, const std::string& where);

    ScenarioOptions m_options;
    std::unique_ptr<GameFolder> m_folder;
    std::unique_ptr<Server> m_server;
    std::string m_gameDescription;
    std::map<std::string, Client*> m_clients;
    PlayerControls m_controls;
    std::unique_ptr<ScenarioUdp> m_udp;
    ScenarioProcesses m_processes;
    // What of each client's inbox has been printed already.
    std::map<const Client*, std::pair<size_t, size_t>> m_reported;
    std::string m_message;
};

}  // namespace sim
