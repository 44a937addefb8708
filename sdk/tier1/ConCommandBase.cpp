// The common part of console variables and commands, this module's list of
// them and their registration with the host's ICvar.
#include <icvar.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <vector>

#include "tier1_internal.h"

namespace {

// Every variable and command this module constructed, newest first.
ConCommandBase* s_pModuleList = nullptr;
IConCommandBaseAccessor* s_pAccessor = nullptr;
// Set between ConVar_Register and ConVar_Unregister: new objects register at once.
bool s_bRegistered = false;
// The registry this module registered with. Kept past DisconnectTier1Libraries
// so that unregistering (or unloading the module) never leaves the host
// holding pointers into a module that is gone.
ICvar* s_pRegistry = nullptr;

ICvar* Registry() {
    return s_pRegistry ? s_pRegistry : g_pCVar;
}

class CDefaultAccessor final : public IConCommandBaseAccessor {
public:
    bool RegisterConCommandBase(ConCommandBase* var) override {
        return g_pCVar && g_pCVar->RegisterConCommand(var);
    }
};

CDefaultAccessor s_DefaultAccessor;

}  // namespace

ConCommandBase::ConCommandBase() = default;

ConCommandBase::ConCommandBase(const char* name, const char* helpText, int flags) {
    ConCommandBase::Create(name, helpText, flags);
}

ConCommandBase::~ConCommandBase() {
    if (m_bRegistered && Registry())
        Registry()->UnregisterConCommand(this);
    UnlinkFromModuleList();
}

#ifdef _WIN32
void* ConCommandBase::DeletingDestructor(unsigned int flags) {
    this->~ConCommandBase();
    if (flags & 1)
        ::operator delete(this);
    return this;
}
#endif

bool ConCommandBase::IsCommand() const {
    return false;
}
bool ConCommandBase::IsFlagSet(int flag) const {
    return (m_nFlags & flag) != 0;
}
void ConCommandBase::AddFlags(int flags) {
    m_nFlags |= flags;
}
void ConCommandBase::RemoveFlags(int flags) {
    m_nFlags &= ~flags;
}
int ConCommandBase::GetFlags() const {
    return m_nFlags;
}
const char* ConCommandBase::GetName() const {
    return m_pszName;
}
const char* ConCommandBase::GetHelpText() const {
    return m_pszHelpString;
}
bool ConCommandBase::IsRegistered() const {
    return m_bRegistered;
}
CVarDLLIdentifier_t ConCommandBase::GetDLLIdentifier() const {
    return m_nDLLIdentifier;
}

void ConCommandBase::Create(const char* name, const char* helpText, int flags) {
    m_pszName = name ? name : "";
    m_pszHelpString = helpText ? helpText : "";
    m_nFlags = flags;
    LinkIntoModuleList();
    // Constructed after the module registered: join at once (with the base
    // Init, since the object is still being constructed).
    if (s_bRegistered && !IsFlagSet(FCVAR_UNREGISTERED))
        ConCommandBase::Init();
}

void ConCommandBase::Init() {
    if (!s_pAccessor || m_bRegistered)
        return;
    m_nDLLIdentifier = g_nTier1DLLIdentifier;
    s_pAccessor->RegisterConCommandBase(this);
}

void ConCommandBase::LinkIntoModuleList() {
    if (m_pNextInModule || s_pModuleList == this)
        return;
    m_pNextInModule = s_pModuleList;
    s_pModuleList = this;
}

void ConCommandBase::UnlinkFromModuleList() {
    for (ConCommandBase** link = &s_pModuleList; *link; link = &(*link)->m_pNextInModule) {
        if (*link == this) {
            *link = m_pNextInModule;
            m_pNextInModule = nullptr;
            return;
        }
    }
}

void ConVar_Register(int cvarFlags, IConCommandBaseAccessor* accessor) {
    if (!accessor && !g_pCVar)
        return;
    s_pAccessor = accessor ? accessor : &s_DefaultAccessor;
    s_bRegistered = true;
    if (g_pCVar)
        s_pRegistry = g_pCVar;
    // Register in construction order; Init may construct or destroy others,
    // so work from a snapshot.
    std::vector<ConCommandBase*> pending;
    for (ConCommandBase* cur = s_pModuleList; cur; cur = cur->m_pNextInModule)
        pending.push_back(cur);
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        ConCommandBase* cur = *it;
        if (cur->IsRegistered() || cur->IsFlagSet(FCVAR_UNREGISTERED))
            continue;
        cur->AddFlags(cvarFlags);
        cur->Init();
    }
}

void ConVar_Unregister() {
    if (!s_bRegistered)
        return;
    if (Registry())
        Registry()->UnregisterConCommands(g_nTier1DLLIdentifier);
    s_bRegistered = false;
    s_pAccessor = nullptr;
    s_pRegistry = nullptr;
}
