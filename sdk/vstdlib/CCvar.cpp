#include "CCvar.h"

#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <strings.h>
#include <algorithm>

namespace {

bool SameName(const ConCommandBase* base, const char* name) {
    return strcasecmp(base->GetName(), name) == 0;
}

const char* KindOf(const ConCommandBase* base) {
    return base->IsCommand() ? "command" : "variable";
}

}  // namespace

CVarDLLIdentifier_t CCvar::AllocateDLLIdentifier() {
    return m_nextDLLIdentifier++;
}

bool CCvar::RegisterConCommand(ConCommandBase* commandBase) {
    if (!commandBase || commandBase->m_bRegistered)
        return false;
    const char* name = commandBase->GetName();
    if (!name || !*name) {
        Warning("A console %s without a name was not registered\n", KindOf(commandBase));
        return false;
    }
    const ConCommandBase* existing = FindCommandBase(name);
    if (existing && !(existing->IsCommand() && commandBase->IsCommand())) {
        Warning("\"%s\" is already registered as a %s; the %s of that name was refused\n", name,
                KindOf(existing), KindOf(commandBase));
        return false;
    }
    commandBase->m_pNext = m_pHead;
    commandBase->m_bRegistered = true;
    m_pHead = commandBase;
    return true;
}

// Takes the entry out of the list through the link that points at it; never
// calls into the entry, which may be half destroyed.
void CCvar::Unlink(ConCommandBase*& link) {
    ConCommandBase* entry = link;
    link = entry->m_pNext;
    entry->m_pNext = nullptr;
    entry->m_bRegistered = false;
}

void CCvar::UnregisterConCommand(ConCommandBase* commandBase) {
    for (ConCommandBase** link = &m_pHead; *link; link = &(*link)->m_pNext) {
        if (*link == commandBase) {
            Unlink(*link);
            return;
        }
    }
}

void CCvar::UnregisterConCommands(CVarDLLIdentifier_t id) {
    ConCommandBase** link = &m_pHead;
    while (*link) {
        if ((*link)->m_nDLLIdentifier == id)
            Unlink(*link);
        else
            link = &(*link)->m_pNext;
    }
}

ConCommandBase* CCvar::FindCommandBase(const char* name) {
    if (!name)
        return nullptr;
    for (ConCommandBase* cur = m_pHead; cur; cur = cur->m_pNext)
        if (SameName(cur, name))
            return cur;
    return nullptr;
}

ConVar* CCvar::FindVar(const char* name) {
    ConCommandBase* base = FindCommandBase(name);
    return (base && !base->IsCommand()) ? static_cast<ConVar*>(base) : nullptr;
}

ConCommand* CCvar::FindCommand(const char* name) {
    if (!name)
        return nullptr;
    for (ConCommandBase* cur = m_pHead; cur; cur = cur->m_pNext)
        if (cur->IsCommand() && SameName(cur, name))
            return static_cast<ConCommand*>(cur);
    return nullptr;
}

ConCommandBase* CCvar::GetCommands() {
    return m_pHead;
}

void CCvar::InstallGlobalChangeCallback(FnChangeCallback_t callback) {
    if (callback && std::find(m_globalCallbacks.begin(), m_globalCallbacks.end(), callback) ==
                        m_globalCallbacks.end())
        m_globalCallbacks.push_back(callback);
}

void CCvar::RemoveGlobalChangeCallback(FnChangeCallback_t callback) {
    std::erase(m_globalCallbacks, callback);
}

void CCvar::CallGlobalChangeCallbacks(ConVar* var, const char* oldString, float oldFloat) {
    // A callback may install or remove callbacks: run over a copy.
    const std::vector<FnChangeCallback_t> callbacks = m_globalCallbacks;
    for (FnChangeCallback_t callback : callbacks)
        callback(var, oldString, oldFloat);
}
