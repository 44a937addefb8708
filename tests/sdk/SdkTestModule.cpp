// A module with statically constructed console variables and commands, built
// with travik_module() like the plug-in.
#include <icvar.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <memory>

#include "ISdkTestModule.h"

namespace {

int s_commandRuns = 0;
int s_callbackRuns = 0;

void OnTestVarChange(IConVar*, const char*, float) {
    ++s_callbackRuns;
}

ConVar sdk_test_var(SDK_TEST_VAR, "5", 0, "A bounded test variable", true, 0.0f, true, 10.0f,
                    OnTestVarChange);
ConVar sdk_test_unregistered(SDK_TEST_UNREGISTERED, "1", FCVAR_UNREGISTERED, "Never registered");

CON_COMMAND(sdk_test_cmd, "A test command") {
    ++s_commandRuns;
}

// Replaces a command of the host and forwards to it, as a plug-in's
// replacement commands do: it looks the host's command up before its own
// registration, then registers under the same name.
class CHostCommandReplacement final : public ConCommand {
public:
    CHostCommandReplacement() : ConCommand(SDK_HOST_CMD, "Forwards to the host's command") {}

    void Dispatch(const CCommand& args) override {
        if (m_target)
            m_target->Dispatch(args);
    }

    bool FoundTarget() const { return m_target != nullptr; }

protected:
    void Init() override {
        m_target = g_pCVar ? g_pCVar->FindCommand(SDK_HOST_CMD) : nullptr;
        ConCommand::Init();
    }

private:
    ConCommand* m_target = nullptr;
};

CHostCommandReplacement s_hostCommandReplacement;

class CSdkTestModule final : public ISdkTestModule {
public:
    void Connect(CreateInterfaceFn factory) override {
        ConnectTier1Libraries(&factory, 1);
        ConVar_Register(0);
    }

    void Disconnect() override {
        ConVar_Unregister();
        DisconnectTier1Libraries();
    }

    void DisconnectOnly() override { DisconnectTier1Libraries(); }

    int CommandRuns() const override { return s_commandRuns; }
    int CallbackRuns() const override { return s_callbackRuns; }
    bool FoundHostCommand() const override { return s_hostCommandReplacement.FoundTarget(); }

    ConVar* MakeLateVariable() override {
        m_late = std::make_unique<ConVar>(SDK_TEST_LATE_VAR, "3");
        return m_late.get();
    }

    void DestroyLateVariable() override { m_late.reset(); }

private:
    std::unique_ptr<ConVar> m_late;
};

CSdkTestModule s_module;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CSdkTestModule, ISdkTestModule, SDK_TEST_MODULE_VERSION,
                                  s_module);
