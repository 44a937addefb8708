// Helper programs in the Windows build: not run yet.
#include "scenario/ScenarioProcesses.h"

namespace sim {

std::string ScenarioProcesses::Resolve(const std::string& program, std::string& error) const {
    error = "no program " + program + ": the Windows build runs no helper programs";
    return "";
}

std::string ScenarioProcesses::Start(const std::string& name, const std::string& program,
                                     const std::vector<std::string>&, const std::string&,
                                     const std::string&) {
    if (!IsPlainName(name))
        return "a process NAME is letters, digits, '_' and '-'";
    std::string error;
    Resolve(program, error);
    return error;
}

void ScenarioProcesses::Halt(Running&) {}

std::string ScenarioProcesses::State(const std::string& name) {
    return m_running.count(name) ? "running" : "";
}

}  // namespace sim
