// The interface of the test module built by this folder: a small module that
// registers its console variables and commands the way a plug-in does.
#pragma once

#include <tier1/interface.h>

class ConVar;

#define SDK_TEST_MODULE_VERSION "SdkTestModule001"

// Names the test module registers.
#define SDK_TEST_VAR "sdk_test_var"                    // "5", bounds 0..10, with callback
#define SDK_TEST_CMD "sdk_test_cmd"                    // counts its runs
#define SDK_TEST_UNREGISTERED "sdk_test_unregistered"  // flagged FCVAR_UNREGISTERED
#define SDK_TEST_LATE_VAR "sdk_test_late_var"          // made after registration
// The module replaces a command of this name that the host registered, and
// forwards every run to it.
#define SDK_HOST_CMD "sdk_host_cmd"

class ISdkTestModule {
public:
    // ConnectTier1Libraries with the factory, then ConVar_Register.
    virtual void Connect(CreateInterfaceFn factory) = 0;
    // ConVar_Unregister, then DisconnectTier1Libraries.
    virtual void Disconnect() = 0;
    // DisconnectTier1Libraries alone, before any ConVar_Unregister.
    virtual void DisconnectOnly() = 0;
    virtual int CommandRuns() const = 0;
    virtual int CallbackRuns() const = 0;
    // Whether the replacement found the host's command when it registered.
    virtual bool FoundHostCommand() const = 0;
    // A variable constructed after registration, and its destruction.
    virtual ConVar* MakeLateVariable() = 0;
    virtual void DestroyLateVariable() = 0;

protected:
    ~ISdkTestModule() = default;
};
