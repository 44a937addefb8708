// One connection to srcds-sim-processhost: the helper programs one srcds-sim
// started, answered line by line (see scenario/ProcessHostProtocol.h).
// Whatever it started is stopped when the session ends.
#pragma once

#include <memory>
#include <string>

#include "scenario/ScenarioProcesses.h"

namespace sim::processhost {

class ProcessHostSession {
public:
    explicit ProcessHostSession(ProcessOptions options);
    ~ProcessHostSession();

    // The answer to one request line (without its '\n'), with its '\n'.
    std::string Answer(const std::string& line);
    // The answer to a line that was cut off at kMaxLine.
    static std::string TooLong();

private:
    std::string Dispatch(const std::vector<std::string>& words);

    ProcessOptions m_options;
    std::unique_ptr<ScenarioProcesses> m_processes;
    bool m_started = false;
};

}  // namespace sim::processhost
