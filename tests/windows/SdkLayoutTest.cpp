// The SDK's classes in the Windows build are laid out as the Microsoft
// compiler lays out the server's: one slot for a virtual destructor,
// overloads in reverse order at the place of the first, thiscall calls.
// A plug-in built with other slots would call the wrong server function.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include <eiface.h>
#include <filesystem.h>
#include <igameevents.h>
#include <igamemovement.h>
#include <irecipientfilter.h>
#include <iserverplugin.h>
#include <ivoiceserver.h>
#include <tier0/icommandline.h>
#include <tier1/convar.h>

#include "hook/Hook.h"

namespace {

namespace hook = travik::hook;

template <auto Method>
std::size_t SlotOf() {
    EXPECT_TRUE(hook::Virtual<Method>::resolve());
    return hook::Virtual<Method>::index;
}

// The function in a slot of an object's table, called as the server calls it.
template <class R, class... Args>
R CallSlot(const void* object, std::size_t slot, Args... args) {
    using Function = R(__attribute__((thiscall))*)(const void*, Args...);
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

}  // namespace
