#include "game/CBaseEntity.h"

CBaseEntity::CBaseEntity(std::string className, edict_t* edict)
    : m_className(std::move(className)), m_edict(edict) {
    if (m_edict) {
        m_edict->m_pUnk = this;
        m_edict->m_pNetworkable = this;
    }
}

CBaseEntity::~CBaseEntity() {
    DetachEdict();
}

void CBaseEntity::DetachEdict() {
    if (m_edict && m_edict->m_pUnk == this) {
        m_edict->m_pUnk = nullptr;
        m_edict->m_pNetworkable = nullptr;
    }
    m_edict = nullptr;
}
