// The SDK's classes in the Windows build are laid out as the Microsoft
// compiler lays out the server's: one slot for a virtual destructor,
// overloads in reverse order at the place of the first, thiscall calls.
// A plug-in built with other slots would call the wrong server function.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <basehandle.h>
#include <eiface.h>
#include <filesystem.h>
#include <igameevents.h>
#include <igamemovement.h>
#include <irecipientfilter.h>
#include <iserverplugin.h>
#include <iserverunknown.h>
#include <ivoiceserver.h>
#include <tier0/icommandline.h>
#include <tier1/convar.h>

#include "hook/Hook.h"

namespace {

namespace hook = travik::hook;

#define THISCALL __attribute__((thiscall))

// Frees of one watched address, through the global operator delete (which a
// deleting destructor of a family class calls), counted by the replacement
// below.
void* gWatched = nullptr;
int gWatchedFrees = 0;

}  // namespace

void operator delete(void* memory) noexcept {
    if (memory != nullptr && memory == gWatched)
        ++gWatchedFrees;
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    ::operator delete(memory);
}

namespace {

template <auto Method>
std::size_t SlotOf() {
    EXPECT_TRUE(hook::Virtual<Method>::resolve());
    return hook::Virtual<Method>::index;
}

// The function in a slot of an object's table, called as the server calls it.
template <class R, class... Args>
R CallSlot(const void* object, std::size_t slot, Args... args) {
    using Function = R(THISCALL*)(const void*, Args...);
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<Function>(table[slot])(object, args...);
}

TEST(SdkMsvcLayout, ADestructorTakesOneSlotAtItsPlace) {
    EXPECT_EQ(SlotOf<&IRecipientFilter::IsReliable>(), 1u);
    EXPECT_EQ(SlotOf<&IRecipientFilter::GetRecipientIndex>(), 4u);
    EXPECT_EQ(SlotOf<&IGameEventListener2::FireGameEvent>(), 1u);
    EXPECT_EQ(SlotOf<&IGameEvent::GetName>(), 1u);
    EXPECT_EQ(SlotOf<&IGameEventManager2::RemoveListener>(), 10u);
    EXPECT_EQ(SlotOf<&IGameMovement::ProcessMovement>(), 1u);
    EXPECT_EQ(SlotOf<&IVoiceServer::SetClientListening>(), 2u);
    EXPECT_EQ(SlotOf<&IServerGameEnts::CheckTransmit>(), 3u);
    // Without a destructor in front nothing moves.
    EXPECT_EQ(SlotOf<&IServerPluginCallbacks::Load>(), 0u);
    EXPECT_EQ(SlotOf<&IServerPluginCallbacks::OnEdictFreed>(), 19u);
}

TEST(SdkMsvcLayout, ConsoleCommandsKeepTheServersSlots) {
    EXPECT_EQ(SlotOf<&ConCommandBase::IsCommand>(), 1u);
    EXPECT_EQ(SlotOf<&ConCommandBase::GetDLLIdentifier>(), 9u);
    // The server dispatches every command through this slot.
    EXPECT_EQ(SlotOf<&ConCommand::Dispatch>(), 12u);
}

TEST(SdkMsvcLayout, OverloadsAreReversedAtThePlaceOfTheFirst) {
    EXPECT_EQ(SlotOf<static_cast<void (IConVar::*)(int)>(&IConVar::SetValue)>(), 0u);
    EXPECT_EQ(SlotOf<static_cast<void (IConVar::*)(float)>(&IConVar::SetValue)>(), 1u);
    EXPECT_EQ(SlotOf<static_cast<void (IConVar::*)(const char*)>(&IConVar::SetValue)>(), 2u);
    EXPECT_EQ(SlotOf<&IConVar::GetName>(), 3u);

    using SizeOfName = unsigned int (IFileSystem::*)(const char*, const char*);
    using SizeOfHandle = unsigned int (IFileSystem::*)(FileHandle_t);
    EXPECT_EQ(SlotOf<static_cast<SizeOfHandle>(&IFileSystem::Size)>(),
              SlotOf<static_cast<SizeOfName>(&IFileSystem::Size)>() + 1);
    EXPECT_EQ(SlotOf<&IFileSystem::EndOfFile>(),
              SlotOf<static_cast<SizeOfHandle>(&IFileSystem::Size)>() + 1);

    using ParmText = const char* (ICommandLine::*)(const char*, const char*) const;
    using ParmInt = int (ICommandLine::*)(const char*, int) const;
    using ParmFloat = float (ICommandLine::*)(const char*, float) const;
    const std::size_t first = SlotOf<static_cast<ParmFloat>(&ICommandLine::ParmValue)>();
    EXPECT_EQ(SlotOf<static_cast<ParmInt>(&ICommandLine::ParmValue)>(), first + 1);
    EXPECT_EQ(SlotOf<static_cast<ParmText>(&ICommandLine::ParmValue)>(), first + 2);
}

class Filter : public IRecipientFilter {
public:
    bool IsReliable() const override { return true; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return 3; }
    int GetRecipientIndex(int slot) const override { return slot >= 0 && slot < 3 ? slot + 7 : -1; }
};

TEST(SdkMsvcLayout, TheServersThiscallReachesThePluginsFunctions) {
    const Filter filter;
    EXPECT_TRUE(CallSlot<bool>(&filter, 1));
    EXPECT_FALSE(CallSlot<bool>(&filter, 2));
    EXPECT_EQ(CallSlot<int>(&filter, 3), 3);
    // The callee pops its argument: many calls in a row leave the stack as it was.
    int sum = 0;
    for (int i = -1; i < 1000; ++i) {
        sum += CallSlot<int>(&filter, 4, i % 4);
    }
    EXPECT_EQ(sum, -1 + 250 * (7 + 8 + 9 - 1));
}

// A plug-in object whose listener part sits behind another base, as the
// plug-in's Travik derives from the callbacks first and the listener second.
struct Counts {
    int destroyed = 0;
    int freed = 0;
    void* freedAt = nullptr;
};
Counts gCounts;

class Plugin : public IRecipientFilter, public IGameEventListener2 {
public:
    ~Plugin() override { ++gCounts.destroyed; }
    static void operator delete(void* memory) {
        ++gCounts.freed;
        gCounts.freedAt = memory;
        ::operator delete(memory);
    }
    bool IsReliable() const override { return false; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return 0; }
    int GetRecipientIndex(int) const override { return -1; }
    void FireGameEvent(IGameEvent*) override {}
    long padding = 0;
};

TEST(SdkMsvcLayout, TheDestructorSlotDestroysTheWholeObjectAndFreesItOnRequest) {
    gCounts = {};
    Plugin* plugin = new Plugin;
    IGameEventListener2* listener = plugin;
    ASSERT_NE(static_cast<void*>(listener), static_cast<void*>(plugin));

    // Bit 0 clear: destroyed in place, the memory stays the caller's.
    alignas(Plugin) unsigned char storage[sizeof(Plugin)];
    Plugin* inPlace = new (storage) Plugin;
    CallSlot<void*>(static_cast<IGameEventListener2*>(inPlace), 0, 0u);
    EXPECT_EQ(gCounts.destroyed, 1);
    EXPECT_EQ(gCounts.freed, 0);

    // Bit 0 set, through the second base: the whole object goes.
    CallSlot<void*>(listener, 0, 1u);
    EXPECT_EQ(gCounts.destroyed, 2);
    EXPECT_EQ(gCounts.freed, 1);
    EXPECT_EQ(gCounts.freedAt, static_cast<void*>(plugin));
}

// A command of the plug-in's own, as the plug-in's command hooks are.
class Probe : public ConCommand {
public:
    Probe() : ConCommand("tk_layout_probe", "probe") {}
    ~Probe() { ++gCounts.destroyed; }
    SDK_DELETING_DESTRUCTOR(Probe)
};

TEST(SdkMsvcLayout, ACommandIsDestroyedThroughItsOwnSlot) {
    gCounts = {};
    ConCommandBase* command = new Probe;
    // The server's deleting destructor call: the most derived destructor
    // runs, then the bases' (which unlink the command from the module's list:
    // a later command's registration walks that list).
    CallSlot<void*>(command, 0, 1u);
    EXPECT_EQ(gCounts.destroyed, 1);
    ConCommand next("tk_layout_probe_2", "probe");
    EXPECT_EQ(next.GetName(), std::string("tk_layout_probe_2"));
}

// The hook layer patches the slot the server calls.
class Movement : public IGameMovement {
public:
    void ProcessMovement(CBasePlayer*, CMoveData*) override { ++processed; }
    const Vector& GetPlayerMins(bool) const override { return zero; }
    const Vector& GetPlayerMaxs(bool) const override { return zero; }
    const Vector& GetPlayerViewOffset(bool) const override { return zero; }
    int processed = 0;
    Vector zero;
};

int gHooked = 0;
void CountMovement(hook::CallFor<&IGameMovement::ProcessMovement>& call, CBasePlayer*,
                   CMoveData* move) {
    ++gHooked;
    if (move == nullptr) {
        call.supersede();
    }
}

TEST(SdkMsvcLayout, AHookOnAnInterfaceRunsForTheServersCall) {
    Movement movement;
    ASSERT_TRUE(hook::add<&IGameMovement::ProcessMovement>(&movement, hook::Pre, &CountMovement));
    CMoveData move{};
    CallSlot<void>(&movement, 1, static_cast<CBasePlayer*>(nullptr), &move);
    CallSlot<void>(&movement, 1, static_cast<CBasePlayer*>(nullptr),
                   static_cast<CMoveData*>(nullptr));
    EXPECT_EQ(gHooked, 2);
    EXPECT_EQ(movement.processed, 1);
    EXPECT_TRUE(
        hook::remove<&IGameMovement::ProcessMovement>(&movement, hook::Pre, &CountMovement));
    CallSlot<void>(&movement, 1, static_cast<CBasePlayer*>(nullptr), &move);
    EXPECT_EQ(gHooked, 2);
    EXPECT_EQ(movement.processed, 2);
}

// The game's entities extend IServerUnknown with functions of their own,
// which the server's compiler puts right after the interfaces' slots.
struct EntityCounts {
    int entities = 0;
    int players = 0;
    int weapons = 0;
};
EntityCounts gEntityCounts;

class Entity : public IServerUnknown {
public:
    ~Entity() SDK_DESTRUCTOR_OVERRIDE { ++gEntityCounts.entities; }
    SDK_DELETING_DESTRUCTOR(Entity)
    void SetRefEHandle(const CBaseHandle& handle) override { m_Handle = handle; }
    const CBaseHandle& GetRefEHandle() const override { return m_Handle; }
    IServerNetworkable* GetNetworkable() override {
        return reinterpret_cast<IServerNetworkable*>(&m_Networkable);
    }
    CBaseEntity* GetBaseEntity() override { return reinterpret_cast<CBaseEntity*>(this); }
    virtual int ObjectCaps() const { return 0x10; }

    CBaseHandle m_Handle;
    int m_Networkable = 0;
};

struct Weapons {
    ~Weapons() { ++gEntityCounts.weapons; }
};

class Player : public Entity {
public:
    ~Player() SDK_DESTRUCTOR_OVERRIDE { ++gEntityCounts.players; }
    SDK_DELETING_DESTRUCTOR(Player)
    int ObjectCaps() const override { return 0x20; }
    virtual bool IsAlive() const { return true; }

    Weapons m_Weapons;
};

TEST(SdkMsvcLayout, AnEntitysInterfacesKeepTheServersSlotsAndNothingFollowsThem) {
    EXPECT_EQ(SlotOf<&IHandleEntity::DeletingDestructor>(), 0u);
    EXPECT_EQ(SlotOf<&IHandleEntity::SetRefEHandle>(), 1u);
    EXPECT_EQ(SlotOf<&IHandleEntity::GetRefEHandle>(), 2u);
    EXPECT_EQ(SlotOf<&IServerUnknown::GetNetworkable>(), 3u);
    EXPECT_EQ(SlotOf<&IServerUnknown::GetBaseEntity>(), 4u);
    // The game's own functions come next, with no destructor slots between.
    EXPECT_EQ(SlotOf<&Entity::ObjectCaps>(), 5u);
    EXPECT_EQ(SlotOf<&Player::IsAlive>(), 6u);
}

TEST(SdkMsvcLayout, TheServersThiscallReachesAnEntitysFunctions) {
    Player player;
    const IServerUnknown* unknown = &player;
    const CBaseHandle handle(12, 345);
    CallSlot<void>(unknown, 1, &handle);
    EXPECT_EQ(player.m_Handle, handle);
    EXPECT_EQ(CallSlot<const CBaseHandle*>(unknown, 2), &player.m_Handle);
    EXPECT_EQ(CallSlot<IServerNetworkable*>(unknown, 3), player.GetNetworkable());
    EXPECT_EQ(CallSlot<CBaseEntity*>(unknown, 4), reinterpret_cast<CBaseEntity*>(&player));
    EXPECT_EQ(CallSlot<int>(unknown, 5), 0x20);
    EXPECT_TRUE(CallSlot<bool>(unknown, 6));
}

TEST(SdkMsvcLayout, AnEntityDeletedThroughTheDestructorSlotGoesWhole) {
    gEntityCounts = {};
    gWatchedFrees = 0;

    // Bit 0 clear: destroyed in place, the memory stays the caller's.
    alignas(Player) unsigned char storage[sizeof(Player)];
    IServerUnknown* inPlace = new (storage) Player;
    EXPECT_EQ(CallSlot<void*>(inPlace, 0, 0u), static_cast<void*>(storage));
    EXPECT_EQ(gEntityCounts.players, 1);
    EXPECT_EQ(gEntityCounts.weapons, 1);
    EXPECT_EQ(gEntityCounts.entities, 1);

    // Bit 0 set: the derived class's destructor, its members' and its
    // base's run, and the object's memory is freed.
    Player* player = new Player;
    gWatched = player;
    CallSlot<void*>(static_cast<IServerUnknown*>(player), 0, 1u);
    gWatched = nullptr;
    EXPECT_EQ(gEntityCounts.players, 2);
    EXPECT_EQ(gEntityCounts.weapons, 2);
    EXPECT_EQ(gEntityCounts.entities, 2);
    EXPECT_EQ(gWatchedFrees, 1);

    // The base class's own slot destroys only what it is.
    Entity* entity = new Entity;
    gWatched = entity;
    CallSlot<void*>(static_cast<IHandleEntity*>(entity), 0, 1u);
    gWatched = nullptr;
    EXPECT_EQ(gEntityCounts.entities, 3);
    EXPECT_EQ(gEntityCounts.players, 2);
    EXPECT_EQ(gWatchedFrees, 2);
}

// An entity the server's compiler built: a table of thiscall functions at
// its slots, which the plug-in reaches through IServerUnknown (the
// edict's GetUnknown()->GetBaseEntity()). The slots after the fifth answer
// nothing and count, as a destructor reached by mistake would.
struct ServerEntity {
    void* const* table = nullptr;
    CBaseHandle handle;
    int networkable = 0;
    int misses = 0;
};

void* THISCALL ServerDeletingDestructor(ServerEntity* self, unsigned int) {
    ++self->misses;
    return self;
}
void THISCALL ServerSetRefEHandle(ServerEntity* self, const CBaseHandle* handle) {
    self->handle = *handle;
}
const CBaseHandle* THISCALL ServerGetRefEHandle(ServerEntity* self) {
    return &self->handle;
}
int* THISCALL ServerGetNetworkable(ServerEntity* self) {
    return &self->networkable;
}
ServerEntity* THISCALL ServerGetBaseEntity(ServerEntity* self) {
    return self;
}
void* THISCALL ServerGameFunction(ServerEntity* self) {
    ++self->misses;
    return nullptr;
}

// The address as the plug-in gets it from the server: from elsewhere, with
// nothing the compiler knows of what it points at.
template <class T>
T* FromServer(void* object) {
    asm volatile("" : "+r"(object) : : "memory");
    return static_cast<T*>(object);
}

TEST(SdkMsvcLayout, ThePluginsCallsReachTheServersEntityFunctions) {
    void* const table[] = {
        reinterpret_cast<void*>(&ServerDeletingDestructor),
        reinterpret_cast<void*>(&ServerSetRefEHandle),
        reinterpret_cast<void*>(&ServerGetRefEHandle),
        reinterpret_cast<void*>(&ServerGetNetworkable),
        reinterpret_cast<void*>(&ServerGetBaseEntity),
        reinterpret_cast<void*>(&ServerGameFunction),
        reinterpret_cast<void*>(&ServerGameFunction),
        reinterpret_cast<void*>(&ServerGameFunction),
    };
    ServerEntity server;
    server.table = table;
    IServerUnknown* unknown = FromServer<IServerUnknown>(&server);

    EXPECT_EQ(unknown->GetBaseEntity(), reinterpret_cast<CBaseEntity*>(&server));
    EXPECT_EQ(unknown->GetNetworkable(),
              reinterpret_cast<IServerNetworkable*>(&server.networkable));
    const CBaseHandle handle(7, 9);
    unknown->SetRefEHandle(handle);
    EXPECT_EQ(server.handle, handle);
    EXPECT_EQ(&unknown->GetRefEHandle(), &server.handle);
    EXPECT_EQ(server.misses, 0);
}

}  // namespace
