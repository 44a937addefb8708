// The game's entities by entity index. Every entity sits on an edict of the
// engine: the list asks the engine for a new one (IVEngineServer::CreateEdict)
// or takes the edict of a client slot the engine gave the player, points the
// edict at the entity and hands out handles whose serial number changes each
// time an index is reused.
#pragma once

#include <basehandle.h>
#include <const.h>

#include <array>
#include <memory>

class CBaseEntity;
class IVEngineServer;
struct edict_t;

namespace cstrike {

// Destroys an entity as the class it was made as. In the Windows build the
// entity family has no virtual destructor (its slot 0 is the deleting
// destructor), so a plain delete through a base pointer would run only the
// base's destructor: deletion goes through that slot there. Whatever owns
// entities holds them as EntityPtr; a std::unique_ptr of a derived class
// converts to it.
struct EntityDeleter {
    EntityDeleter() = default;
    template <class T>
    EntityDeleter(const std::default_delete<T>&) noexcept {}
    void operator()(CBaseEntity* entity) const;
};
using EntityPtr = std::unique_ptr<CBaseEntity, EntityDeleter>;

class EntityList {
public:
    explicit EntityList(IVEngineServer& engine);
    ~EntityList();
    EntityList(const EntityList&) = delete;
    EntityList& operator=(const EntityList&) = delete;

    // Puts the entity on a new edict from the engine. Null, with the entity
    // destroyed, when the engine has no edict left.
    CBaseEntity* Add(EntityPtr entity);
    // Puts the entity on an edict the engine already handed out (a client
    // slot); the edict stays the engine's when the entity goes. Null when the
    // edict is not the engine's or already holds an entity.
    CBaseEntity* AddOnEdict(EntityPtr entity, edict_t* edict);
    template <class T>
    T* Create(std::unique_ptr<T> entity) {
        return static_cast<T*>(Add(std::move(entity)));
    }

    // Detaches the entity from its parent and children, clears its edict
    // (freeing it when the list took it from the engine) and destroys it.
    // Unknown pointers are ignored, so a second removal does nothing.
    void Remove(CBaseEntity* entity);
    void RemoveAll();

    // Null for a stale handle (the index was reused) or an empty index.
    CBaseEntity* Lookup(const CBaseHandle& handle) const;
    CBaseEntity* ByIndex(int index) const;
    CBaseEntity* FromEdict(const edict_t* edict) const;

    // Calls f(CBaseEntity&) for every entity in index order; f must not add
    // or remove entities.
    template <class F>
    void ForEach(F&& f) const {
        for (const Slot& slot : m_Slots) {
            if (slot.entity) {
                f(*slot.entity);
            }
        }
    }

    int Count() const;
    int CountByModel(const char* model) const;
    int CountByClassname(const char* classname) const;

    IVEngineServer& Engine() const { return m_Engine; }

private:
    struct Slot {
        EntityPtr entity;
        int serial = 0;
        bool ownsEdict = false;
    };

    CBaseEntity* Bind(EntityPtr entity, edict_t* edict, bool ownsEdict);
    Slot* SlotOf(const CBaseEntity* entity);

    IVEngineServer& m_Engine;
    std::array<Slot, MAX_EDICTS> m_Slots;
};

}  // namespace cstrike
