// Console commands: the host runs them through the virtual Dispatch.
#include <tier1/convar.h>

ConCommand::ConCommand(const char* name, FnCommandCallback_t callback, const char* helpText,
                       int flags)
    : m_fnCommandCallback(callback) {
    ConCommandBase::Create(name, helpText, flags);
}

ConCommand::ConCommand(const char* name, FnCommandCallbackVoid_t callback, const char* helpText,
                       int flags)
    : m_fnCommandCallbackVoid(callback) {
    ConCommandBase::Create(name, helpText, flags);
}

ConCommand::ConCommand(const char* name, const char* helpText, int flags) {
    ConCommandBase::Create(name, helpText, flags);
}

ConCommand::~ConCommand() = default;

bool ConCommand::IsCommand() const {
    return true;
}

void ConCommand::Dispatch(const CCommand& command) {
    if (m_fnCommandCallback)
        m_fnCommandCallback(command);
    else if (m_fnCommandCallbackVoid)
        m_fnCommandCallbackVoid();
}
