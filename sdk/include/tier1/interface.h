// The interface registry behind a module's one export, CreateInterface.
//
// A module registers objects under version strings with the EXPOSE_ macros
// below; the host (or another module) asks the module's CreateInterface for
// a version string and gets the object or null. Modules are built with
// travik_module() (sdk/cmake/TravikModule.cmake) so that CreateInterface is
// the only symbol they export.
#pragma once

#include <tier0/platform.h>

enum {
    IFACE_OK = 0,
    IFACE_FAILED,
};

// A factory: answers a version string with an interface, or null. When
// returnCode is not null it receives IFACE_OK or IFACE_FAILED.
typedef void* (*CreateInterfaceFn)(const char* name, int* returnCode);
typedef void* (*InstantiateInterfaceFn)();

#define CREATEINTERFACE_PROCNAME "CreateInterface"

// One registered interface of this module; constructed statically by the
// EXPOSE_ macros and linked into this module's own list.
class InterfaceReg {
public:
    InterfaceReg(InstantiateInterfaceFn createFn, const char* name);

    InstantiateInterfaceFn m_CreateFn;
    const char* m_pName;
    InterfaceReg* m_pNext;

    static InterfaceReg* s_pInterfaceRegs;
};

// The module's export: looks the name up in this module's registry.
DLL_EXPORT void* CreateInterface(const char* name, int* returnCode);

// This module's own factory, for passing around inside a process without
// going through the exported symbol (which another module may also define).
CreateInterfaceFn Sys_GetFactoryThis();

#define EXPOSE_INTERFACE_FN(functionName, interfaceName, versionName) \
    static InterfaceReg s_CreateReg_##interfaceName(functionName, versionName)

// A new object for every request.
#define EXPOSE_INTERFACE(className, interfaceName, versionName)    \
    static void* Create_##className##_##interfaceName() {          \
        return static_cast<interfaceName*>(new className);         \
    }                                                              \
    static InterfaceReg s_CreateReg_##className##_##interfaceName( \
        Create_##className##_##interfaceName, versionName)

// One existing global object for every request.
#define EXPOSE_SINGLE_INTERFACE_GLOBALVAR(className, interfaceName, versionName, globalVarName) \
    static void* Create_##className##_##interfaceName() {                                       \
        return static_cast<interfaceName*>(&globalVarName);                                     \
    }                                                                                           \
    static InterfaceReg s_CreateReg_##className##_##interfaceName(                              \
        Create_##className##_##interfaceName, versionName)

// A global object made for the purpose.
#define EXPOSE_SINGLE_INTERFACE(className, interfaceName, versionName)       \
    static className s_##className##_singleton;                              \
    EXPOSE_SINGLE_INTERFACE_GLOBALVAR(className, interfaceName, versionName, \
                                      s_##className##_singleton)
