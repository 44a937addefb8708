// The game's entities as the engine and plug-ins reach them through an
// edict: the server-unknown and networkable parts of one object. Players
// are CBasePlayer, everything else made so far a plain CBaseEntity.
#pragma once

#include <basehandle.h>
#include <edict.h>
#include <iservernetworkable.h>
#include <iserverunknown.h>

#include <string>

class CBaseEntity : public IServerUnknown, public IServerNetworkable {
public:
    CBaseEntity(std::string className, edict_t* edict);
    ~CBaseEntity() override;

    CBaseEntity(const CBaseEntity&) = delete;
    CBaseEntity& operator=(const CBaseEntity&) = delete;

    // IHandleEntity
    void SetRefEHandle(const CBaseHandle& handle) override { m_handle = handle; }
    const CBaseHandle& GetRefEHandle() const override { return m_handle; }
    // IServerUnknown
    IServerNetworkable* GetNetworkable() override { return this; }
    CBaseEntity* GetBaseEntity() override { return this; }
    // IServerNetworkable
    IHandleEntity* GetEntityHandle() override { return this; }
    ServerClass* GetServerClass() override { return nullptr; }
    edict_t* GetEdict() const override { return m_edict; }
    const char* GetClassName() const override { return m_className.c_str(); }
    void Release() override {}

    // Detaches from the edict (the engine frees the slot itself).
    void DetachEdict();

private:
    std::string m_className;
    edict_t* m_edict;
    CBaseHandle m_handle;
};
