// The shared change-callback slot of host variables, on srcds-sim's own
// variables, through the plug-in object's manager (the dispatcher finds its
// entries there).
#include <gtest/gtest.h>
#include <tier1/convar.h>

#include <memory>
#include <string>
#include <vector>

#include "core/travik_plugin.h"
#include "engine/Server.h"
#include "scenario/GameFolder.h"

namespace {

std::vector<std::string> g_calls;

void Note(const char* who, IConVar* var, const char* oldValue) {
    g_calls.push_back(std::string(who) + ":" + static_cast<ConVar*>(var)->GetString() + "<-" +
                      oldValue);
}

void First(IConVar* var, const char* old, float) {
    Note("first", var, old);
}
void Second(IConVar* var, const char* old, float) {
    Note("second", var, old);
}
void Urgent(IConVar* var, const char* old, float) {
    Note("urgent", var, old);
}
void Foreign(IConVar* var, const char* old, float) {
    Note("foreign", var, old);
}

// A lock: anything above 66 is set back to 66 from inside the callback.
void Clamp(IConVar* var, const char* old, float) {
    Note("clamp", var, old);
    ConVar* host = static_cast<ConVar*>(var);
    if (host->GetFloat() > 66.0f) {
        host->SetValue("66");
    }
}

// Removes every other callback of its variable while a change is reported.
void Leaver(IConVar* var, const char* old, float) {
    Note("leaver", var, old);
    ConVar* host = static_cast<ConVar*>(var);
    ReplicatedConvarManager* manager = g_travik.getReplicatedConvarManager();
    manager->RemoveChangeCallback(host, First);
    manager->RemoveChangeCallback(host, Second);
    manager->RemoveChangeCallback(host, Leaver);
}

using Calls = std::vector<std::string>;

class ReplicatedConvarManagerService : public ::testing::Test {
protected:
    ReplicatedConvarManagerService() : folder(SRCDS_SIM_TEMPLATE) {
        sim::ServerConfig config;
        config.gameDir = folder.GameDir();
        server = std::make_unique<sim::Server>(config);
        EXPECT_TRUE(server->Start());
        rate = server->FindVar("sv_maxcmdrate");
        cheats = server->FindVar("sv_cheats");
        g_calls.clear();
    }
    ~ReplicatedConvarManagerService() override {
        manager.Unload();
        server.reset();
    }

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
    ::ReplicatedConvarManager& manager = *g_travik.getReplicatedConvarManager();
    ConVar* rate = nullptr;
    ConVar* cheats = nullptr;
};

TEST_F(ReplicatedConvarManagerService, PriorityCallbacksRunFirstLatestFirstEachOnce) {
    manager.InstallChangeCallback(rate, First);
    manager.InstallPriorityChangeCallback(rate, Clamp);
    manager.InstallChangeCallback(rate, Second);
    manager.InstallPriorityChangeCallback(rate, Urgent);
    manager.InstallChangeCallback(rate, First);
    manager.InstallPriorityChangeCallback(rate, Clamp);
    EXPECT_EQ(manager.GetReplicatedCvar(rate)->GetNumCallbacks(), 4);
    rate->SetValue("30");
    EXPECT_EQ(g_calls, (Calls{"urgent:30<-66", "clamp:30<-66", "first:30<-66", "second:30<-66"}));
}

// The correction runs the whole list again, nested, before the callbacks
// after the lock hear of the first change.
TEST_F(ReplicatedConvarManagerService, ACorrectionInsideTheListRunsItNestedFirst) {
    manager.InstallChangeCallback(rate, First);
    manager.InstallPriorityChangeCallback(rate, Clamp);
    rate->SetValue("100");
    EXPECT_EQ(g_calls, (Calls{"clamp:100<-66", "clamp:66<-100", "first:66<-100", "first:66<-66"}));
    EXPECT_STREQ(rate->GetString(), "66");
}

TEST_F(ReplicatedConvarManagerService, RemovingTheLastCallbackEmptiesTheSlot) {
    manager.InstallChangeCallback(rate, First);
    manager.InstallChangeCallback(rate, Second);
    manager.RemoveChangeCallback(rate, First);
    EXPECT_EQ(rate->GetChangeCallback(), &ReplicatedConvar::OnCvarChange);
    manager.RemoveChangeCallback(rate, Second);
    EXPECT_EQ(rate->GetChangeCallback(), nullptr);
    EXPECT_EQ(manager.GetReplicatedCvar(rate), nullptr);
    manager.RemoveChangeCallback(rate, Second);  // nothing left to remove
    rate->SetValue("30");
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(ReplicatedConvarManagerService, CallbacksRemovedDuringAChangeAreNotCalledAfterwards) {
    manager.InstallPriorityChangeCallback(rate, Leaver);
    manager.InstallChangeCallback(rate, First);
    manager.InstallChangeCallback(rate, Second);
    rate->SetValue("30");
    EXPECT_EQ(g_calls, Calls{"leaver:30<-66"});
    EXPECT_EQ(manager.GetReplicatedCvar(rate), nullptr);
    EXPECT_EQ(rate->GetChangeCallback(), nullptr);
}

TEST_F(ReplicatedConvarManagerService, AForeignCallbackCutsTheListOffUntilReinstalled) {
    manager.InstallChangeCallback(rate, First);
    rate->InstallChangeCallback(Foreign);
    rate->SetValue("30");
    manager.ReinstallChangeCallback(rate);
    rate->SetValue("40");
    EXPECT_EQ(g_calls, (Calls{"foreign:30<-66", "first:40<-30"}));
}

TEST_F(ReplicatedConvarManagerService, UnloadLeavesEveryVariableWithoutACallback) {
    manager.InstallPriorityChangeCallback(rate, Clamp);
    manager.InstallChangeCallback(cheats, First);
    manager.Unload();
    EXPECT_EQ(rate->GetChangeCallback(), nullptr);
    EXPECT_EQ(cheats->GetChangeCallback(), nullptr);
    rate->SetValue("100");
    cheats->SetValue("1");
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(manager.GetReplicatedCvar(rate), nullptr);
}

}  // namespace
