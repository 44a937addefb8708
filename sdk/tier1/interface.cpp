// This module's interface registry and its CreateInterface export.
#include <tier1/interface.h>

#include <cstring>

InterfaceReg* InterfaceReg::s_pInterfaceRegs = nullptr;

InterfaceReg::InterfaceReg(InstantiateInterfaceFn createFn, const char* name)
    : m_CreateFn(createFn), m_pName(name), m_pNext(s_pInterfaceRegs) {
    s_pInterfaceRegs = this;
}

namespace {

void* CreateInterfaceInternal(const char* name, int* returnCode) {
    for (InterfaceReg* reg = InterfaceReg::s_pInterfaceRegs; name && reg; reg = reg->m_pNext) {
        if (std::strcmp(reg->m_pName, name) == 0) {
            if (returnCode)
                *returnCode = IFACE_OK;
            return reg->m_CreateFn();
        }
    }
    if (returnCode)
        *returnCode = IFACE_FAILED;
    return nullptr;
}

}  // namespace

void* CreateInterface(const char* name, int* returnCode) {
    return CreateInterfaceInternal(name, returnCode);
}

CreateInterfaceFn Sys_GetFactoryThis() {
    return CreateInterfaceInternal;
}
