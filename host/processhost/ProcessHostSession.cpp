#include "processhost/ProcessHostSession.h"

#include <cmath>
#include <cstdlib>

#include "scenario/ProcessHostProtocol.h"

namespace sim::processhost {

namespace {

std::string Ok(std::vector<std::string> words = {}) {
    words.insert(words.begin(), "ok");
    return EncodeLine(words);
}

std::string Error(const std::string& message) {
    return EncodeLine({"error", message});
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// Seconds in (0, 600].
bool ParseSeconds(const std::string& text, double& seconds) {
    if (text.empty() || text.size() > 16)
        return false;
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(seconds) && seconds > 0 &&
           seconds <= 600;
}

}  // namespace

ProcessHostSession::ProcessHostSession(ProcessOptions options)
    : m_options(std::move(options)), m_processes(std::make_unique<ScenarioProcesses>(m_options)) {}

ProcessHostSession::~ProcessHostSession() {
    m_processes->StopAll();
}

std::string ProcessHostSession::TooLong() {
    return Error("the line is longer than " + std::to_string(kMaxLine - 1) + " bytes");
}

std::string ProcessHostSession::Answer(const std::string& line) {
    std::vector<std::string> words;
    std::string error;
    if (!DecodeLine(line, words, error))
        return Error(error);
    return Dispatch(words);
}

std::string ProcessHostSession::Dispatch(const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    const size_t count = words.size();
    if (verb == "hello") {
        if (count != 2)
            return Error("usage: hello VERSION");
        if (words[1] != std::to_string(kVersion))
            return Error("this process host speaks version " + std::to_string(kVersion) + ", not " +
                         words[1]);
        return Ok({"srcds-sim-processhost", std::to_string(kVersion)});
    }
    if (verb == "tools" || verb == "timeouts") {
        if (m_started)
            return Error(verb + " comes before the first start");
        if (verb == "tools") {
            if (count != 2 || !IsAbsolute(words[1]))
                return Error("usage: tools DIR (an absolute path)");
            m_options.toolsDir = words[1];
        } else {
            double start = 0, grace = 0;
            if (count != 3 || !ParseSeconds(words[1], start) || !ParseSeconds(words[2], grace))
                return Error("usage: timeouts START GRACE (seconds, at most 600)");
            m_options.startTimeout = start;
            m_options.stopGrace = grace;
        }
        m_processes = std::make_unique<ScenarioProcesses>(m_options);
        return Ok();
    }
    if (verb == "resolve") {
        if (count != 2)
            return Error("usage: resolve PROGRAM");
        if (words[1].find('/') != std::string::npos && !IsAbsolute(words[1]))
            return Error("a program path is absolute: " + words[1]);
        std::string error;
        const std::string path = m_processes->Resolve(words[1], error);
        return path.empty() ? Error(error) : Ok({path});
    }
    if (verb == "start") {
        if (count < 5)
            return Error("usage: start NAME WORKDIR LOGPATH PROGRAM ARGS...");
        const std::string& program = words[4];
        if (!IsAbsolute(words[2]) || !IsAbsolute(words[3]))
            return Error("WORKDIR and LOGPATH are absolute paths");
        if (program.find('/') != std::string::npos && !IsAbsolute(program))
            return Error("a program path is absolute: " + program);
        m_started = true;
        const std::vector<std::string> args(words.begin() + 5, words.end());
        const std::string error = m_processes->Start(words[1], program, args, words[2], words[3]);
        if (!error.empty())
            return Error(error);
        std::string expand;
        const std::string port = m_processes->Expand("${" + words[1] + ".port}", expand);
        return Ok({port});
    }
    if (verb == "stop" || verb == "state" || verb == "pid") {
        if (count != 2)
            return Error("usage: " + verb + " NAME");
        const std::string& name = words[1];
        if (verb == "stop") {
            const std::string error = m_processes->Stop(name);
            return error.empty() ? Ok() : Error(error);
        }
        if (verb == "pid")
            return Ok({std::to_string(m_processes->Pid(name))});
        const std::string state = m_processes->State(name);
        return state.empty() ? Ok() : Ok({state});
    }
    if (verb == "stopall") {
        if (count != 1)
            return Error("usage: stopall");
        m_processes->StopAll();
        return Ok();
    }
    return Error("unknown request " + verb);
}

}  // namespace sim::processhost
