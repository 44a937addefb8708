#include "EntityList.h"

#include <eiface.h>

#include <cstring>

#include "BaseEntity.h"

namespace cstrike {

void EntityDeleter::operator()(CBaseEntity* entity) const {
#ifdef _WIN32
    entity->DeletingDestructor(1);
#else
    delete entity;
#endif
}

EntityList::EntityList(IVEngineServer& engine) : m_Engine(engine) {}

EntityList::~EntityList() {
    RemoveAll();
}

CBaseEntity* EntityList::Add(EntityPtr entity) {
    edict_t* edict = entity ? m_Engine.CreateEdict() : nullptr;
    if (!edict) {
        return nullptr;
    }
    CBaseEntity* added = Bind(std::move(entity), edict, true);
    if (!added) {
        m_Engine.RemoveEdict(edict);
    }
    return added;
}

CBaseEntity* EntityList::AddOnEdict(EntityPtr entity, edict_t* edict) {
    return entity && edict ? Bind(std::move(entity), edict, false) : nullptr;
}

CBaseEntity* EntityList::Bind(EntityPtr entity, edict_t* edict, bool ownsEdict) {
    const int index = m_Engine.IndexOfEdict(edict);
    if (index < 0 || index >= MAX_EDICTS || m_Slots[index].entity || edict->GetUnknown()) {
        return nullptr;
    }
    Slot& slot = m_Slots[index];
    slot.serial = (slot.serial + 1) & ((1 << NUM_SERIAL_NUM_BITS) - 1);
    slot.ownsEdict = ownsEdict;
    slot.entity = std::move(entity);
    CBaseEntity* bound = slot.entity.get();
    bound->BindToList(this, edict, CBaseHandle(index, slot.serial));
    edict->m_pUnk = bound;
    edict->m_pNetworkable = bound->GetNetworkable();
    return bound;
}

EntityList::Slot* EntityList::SlotOf(const CBaseEntity* entity) {
    const int index = entity ? entity->entindex() : -1;
    if (index < 0 || index >= MAX_EDICTS || m_Slots[index].entity.get() != entity) {
        return nullptr;
    }
    return &m_Slots[index];
}

void EntityList::Remove(CBaseEntity* entity) {
    Slot* slot = SlotOf(entity);
    if (!slot) {
        return;
    }
    entity->SetParent(nullptr);
    while (CBaseEntity* child = entity->FirstMoveChild()) {
        child->SetParent(nullptr);
    }
    // Out of the slot first, so that the engine calling back into the game
    // while it frees the edict finds nothing left to free.
    EntityPtr owned = std::move(slot->entity);
    edict_t* edict = owned->edict();
    owned->BindToList(nullptr, nullptr, CBaseHandle());
    edict->m_pUnk = nullptr;
    edict->m_pNetworkable = nullptr;
    if (slot->ownsEdict) {
        m_Engine.RemoveEdict(edict);
    }
}

void EntityList::RemoveAll() {
    for (Slot& slot : m_Slots) {
        Remove(slot.entity.get());
    }
}

CBaseEntity* EntityList::Lookup(const CBaseHandle& handle) const {
    const int index = handle.GetEntryIndex();
    if (!handle.IsValid() || index >= MAX_EDICTS ||
        m_Slots[index].serial != handle.GetSerialNumber()) {
        return nullptr;
    }
    return m_Slots[index].entity.get();
}

CBaseEntity* EntityList::ByIndex(int index) const {
    return index >= 0 && index < MAX_EDICTS ? m_Slots[index].entity.get() : nullptr;
}

CBaseEntity* EntityList::FromEdict(const edict_t* edict) const {
    return edict ? ByIndex(m_Engine.IndexOfEdict(edict)) : nullptr;
}

int EntityList::Count() const {
    int count = 0;
    ForEach([&count](const CBaseEntity&) { ++count; });
    return count;
}

int EntityList::CountByModel(const char* model) const {
    int count = 0;
    ForEach([&](CBaseEntity& entity) { count += std::strcmp(entity.GetModelName(), model) == 0; });
    return count;
}

int EntityList::CountByClassname(const char* classname) const {
    int count = 0;
    ForEach(
        [&](CBaseEntity& entity) { count += std::strcmp(entity.GetClassname(), classname) == 0; });
    return count;
}

}  // namespace cstrike
