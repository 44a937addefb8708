// Helper programs on Linux and other POSIX systems: fork and exec, each in
// its own process group, dying with srcds-sim.
#include "scenario/ScenarioProcesses.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point After(double seconds) {
    return SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                    std::chrono::duration<double>(seconds));
}

int MillisecondsUntil(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 100));
}

bool IsExecutableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

std::string ExitText(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

}  // namespace

std::string ScenarioProcesses::Resolve(const std::string& program, std::string& error) const {
    if (program.find('/') != std::string::npos) {
        std::error_code ignored;
        const fs::path path = fs::absolute(program, ignored);
        if (IsExecutableFile(path))
            return path.string();
        error = "no program " + program;
        return "";
    }
    const fs::path tools(m_options.toolsDir);
    if (IsExecutableFile(tools / program))
        return (tools / program).string();
    std::vector<fs::path> found;
    std::error_code walk;
    for (fs::directory_iterator it(tools, walk), end; !walk && it != end; it.increment(walk))
        if (it->is_directory() && IsExecutableFile(it->path() / program))
            found.push_back(it->path() / program);
    if (!found.empty()) {
        std::sort(found.begin(), found.end());
        return found.front().string();
    }
    error = "no program " + program + " in " + m_options.toolsDir + " or its folders (--tools DIR)";
    return "";
}

std::string ScenarioProcesses::Start(const std::string& name, const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::string& workDir, const std::string& logPath) {
    if (std::string refused = NameRefused(name); !refused.empty())
        return refused;
    std::string error;
    const std::string path = Resolve(program, error);
    if (path.empty())
        return error;
    std::error_code ignored;
    fs::create_directories(fs::path(logPath).parent_path(), ignored);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0)
        return "cannot write " + logPath;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(log);
        return "cannot make a pipe for " + name;
    }
    // Everything the child needs, made before the fork.
    std::vector<std::string> words = {path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        close(log);
        return "cannot start " + name;
    }
    if (pid == 0) {
        // Its own process group, so that a stop reaches what it starts; and
        // it dies with srcds-sim, however that ends.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        // Nothing of srcds-sim's (the server's socket, other helpers'
        // pipes, a plug-in's connections) stays open in the helper.
        close_range(3, ~0U, 0);
        signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid, pid);
    close(out[1]);

    Running process;
    process.pid = pid;
    process.out = out[0];
    process.logPath = logPath;
    std::string line;
    bool ended = false;
    const auto deadline = After(m_options.startTimeout);
    while (SteadyClock::now() < deadline && line.size() < 512) {
        pollfd descriptor{process.out, POLLIN, 0};
        if (poll(&descriptor, 1, MillisecondsUntil(deadline)) <= 0)
            continue;
        char c = 0;
        if (read(process.out, &c, 1) != 1) {
            ended = true;
            break;
        }
        if (c == '\n')
            break;
        line += c;
    }
    const std::string where = " (its output: " + fs::path(logPath).filename().string() + ")";
    process.port = LoopbackPort(line);
    if (process.port == 0) {
        std::string why;
        if (ended) {
            // Its output closed: it is ending, or it closed it and runs on.
            int status = 0;
            const auto grace = After(m_options.stopGrace);
            bool exited = false;
            while (!exited && SteadyClock::now() < grace) {
                exited = waitpid(pid, &status, WNOHANG) == pid;
                if (!exited)
                    poll(nullptr, 0, 10);
            }
            if (exited)
                process.pid = 0;
            why = exited ? name + " ended (" + ExitText(status) + ") before naming its port"
                         : name + " closed its standard output before naming its port";
        } else if (line.empty()) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", m_options.startTimeout);
            why = name + " named no port within " + seconds + " s";
        } else {
            why = name + "'s first line names no 127.0.0.1:PORT: \"" + line + "\"";
        }
        Halt(process);
        close(log);
        return why + where;
    }
    const std::string first = line + "\n";
    if (write(log, first.data(), first.size()) < 0) {
        // The log is a convenience; the program runs without it.
    }
    process.stopDrain = std::make_unique<std::atomic<bool>>(false);
    // The rest of its standard output goes to the log, so that it never
    // blocks on a full pipe.
    process.drain = std::thread([out = process.out, log, stop = process.stopDrain.get()] {
        char buffer[4096];
        while (!stop->load()) {
            pollfd descriptor{out, POLLIN, 0};
            if (poll(&descriptor, 1, 50) <= 0)
                continue;
            const ssize_t got = read(out, buffer, sizeof buffer);
            if (got <= 0)
                break;
            if (write(log, buffer, static_cast<size_t>(got)) < 0)
                break;
        }
        close(log);
    });
    m_running.emplace(name, std::move(process));
    return "";
}

void ScenarioProcesses::Halt(Running& process) {
    if (process.pid > 0) {
        kill(-process.pid, SIGTERM);
        int status = 0;
        bool reaped = false;
        const auto deadline = After(m_options.stopGrace);
        while (!reaped && SteadyClock::now() < deadline) {
            reaped = waitpid(process.pid, &status, WNOHANG) == process.pid;
            if (!reaped)
                poll(nullptr, 0, 10);
        }
        // Whatever is left of its group goes too.
        kill(-process.pid, SIGKILL);
        if (!reaped)
            waitpid(process.pid, &status, 0);
        process.pid = 0;
    }
    if (process.stopDrain)
        process.stopDrain->store(true);
    if (process.drain.joinable())
        process.drain.join();
    if (process.out >= 0)
        close(process.out);
    process.out = -1;
}

std::string ScenarioProcesses::State(const std::string& name) {
    auto it = m_running.find(name);
    if (it == m_running.end())
        return "";
    Running& process = it->second;
    int status = 0;
    if (process.pid > 0 && waitpid(process.pid, &status, WNOHANG) == process.pid) {
        process.ended = "ended (" + ExitText(status) + ")";
        // Whatever it started goes with it; the stop reaps nothing more.
        kill(-process.pid, SIGKILL);
        process.pid = 0;
    }
    return process.pid > 0 ? "running" : process.ended;
}

}  // namespace sim
