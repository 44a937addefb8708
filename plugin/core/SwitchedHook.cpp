#include "core/SwitchedHook.h"

#include <tier0/dbg.h>

#include "core/travik_services.h"

bool SwitchedHook::PluginActive() {
    return travik::IsActive();
}

void SwitchedHook::Announce() const {
    if (m_Label) {
        Msg("[Travik] %s Hook %s\n", m_Label, m_Installed ? "Enabled" : "Disabled");
    }
}
