// Helper programs a scenario runs beside the server for its lifetime (a
// league's authentication host, an update server, ...): started with
// "process start NAME PROGRAM ARGS...", each names the port it listens on
// in its first line on standard output ("listening on 127.0.0.1:PORT"),
// which later lines read as ${NAME.port}. Every one is stopped when the
// scenario ends or fails, and dies with srcds-sim if that is killed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// The Windows build's connection to srcds-sim-processhost, which runs the
// programs there (see ScenarioProcessesWindows.cpp).
class ProcessHostLink;

struct ProcessOptions {
    // Where a bare program name is looked for: DIR/NAME, then DIR/*/NAME.
    // In the Windows build: a folder of Linux programs, or "" for the
    // process host's own.
    std::string toolsDir;
    // How long a program may take to name its port.
    double startTimeout = 10.0;
    // How long a program may take to end after SIGTERM before SIGKILL.
    double stopGrace = 3.0;
};

class ScenarioProcesses {
public:
    explicit ScenarioProcesses(ProcessOptions options) : m_options(std::move(options)) {}
    ~ScenarioProcesses();

    ScenarioProcesses(const ScenarioProcesses&) = delete;
    ScenarioProcesses& operator=(const ScenarioProcesses&) = delete;

    // Starts PROGRAM in workDir with its standard error, and its standard
    // output after the first line, appended to logPath. Answers an error
    // ("" when it runs and named its port).
    std::string Start(const std::string& name, const std::string& program,
                      const std::vector<std::string>& args, const std::string& workDir,
                      const std::string& logPath);
    // SIGTERM to the program and everything it started, SIGKILL after the
    // grace time. Answers an error for a name never started.
    std::string Stop(const std::string& name);
    void StopAll();

    // ${NAME.port} and ${NAME.address} in a line replaced; an error for a
    // placeholder that names no running program.
    std::string Expand(const std::string& line, std::string& error) const;

    // Where the program would be found, or "" (error says why).
    std::string Resolve(const std::string& program, std::string& error) const;
    // "running", "ended (exit status N)" or "ended (signal N)" for a program
    // started under that name, "" for a name never started.
    std::string State(const std::string& name);
    // The pid of a running program (0 for none), for the tests.
    pid_t Pid(const std::string& name) const;
    // What the program wrote to its log since the last call, whole lines
    // only, for the echoed output.
    std::vector<std::pair<std::string, std::string>> NewLogLines();

    static bool IsPlainName(const std::string& name);
    // Why a program cannot be started under this name, or "".
    std::string NameRefused(const std::string& name) const;
    // The port of the last "127.0.0.1:PORT" in the line, or 0.
    static int LoopbackPort(const std::string& line);

private:
    struct Running {
        std::string name;
        pid_t pid = 0;
        int port = 0;
        // How it ended, once it did by itself.
        std::string ended;
        int out = -1;
        std::string logPath;
        size_t logShown = 0;
        std::unique_ptr<std::atomic<bool>> stopDrain;
        std::thread drain;
    };
    void Halt(Running& process);

    ProcessOptions m_options;
    std::map<std::string, Running> m_running;
    mutable std::shared_ptr<ProcessHostLink> m_link;
};

}  // namespace sim
