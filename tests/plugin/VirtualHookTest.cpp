// A hook on one object's virtual function: before or after the function,
// once per object, and off again with the arguments it went on with.
#include "core/VirtualHook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace virtualhooktest {

std::vector<std::string> g_calls;

// Outside an anonymous namespace: a class only this file can see would let
// the compiler call Think directly, past the virtual table.
class Engine {
public:
    virtual ~Engine() = default;
    virtual void Think(int frame) { g_calls.push_back("think " + std::to_string(frame)); }
};

class Watcher {
public:
    void Before(VirtualHook<&Engine::Think, Watcher>::Call&, int frame) {
        g_calls.push_back("before " + std::to_string(frame));
    }
    void After(VirtualHook<&Engine::Think, Watcher>::Call&, int frame) {
        g_calls.push_back("after " + std::to_string(frame));
    }
};

}  // namespace virtualhooktest

namespace {

using virtualhooktest::Engine;
using virtualhooktest::g_calls;
using virtualhooktest::Watcher;

// As the host calls it: through a pointer the compiler cannot see through.
void ThinkOnce(Engine& engine, int frame) {
    Engine* volatile target = &engine;
    target->Think(frame);
}

TEST(VirtualHookUnit, PreAndPostHooksRunAroundTheFunctionUntilRemoved) {
    g_calls.clear();
    Engine engine;
    Watcher watcher;
    VirtualHook<&Engine::Think, Watcher> before(travik::hook::Pre, &watcher, &Watcher::Before);
    VirtualHook<&Engine::Think, Watcher> after(travik::hook::Post, &watcher, &Watcher::After);
    ASSERT_TRUE(before.Install(&engine));
    ASSERT_TRUE(after.Install(&engine));
    EXPECT_FALSE(after.Install(&engine));
    EXPECT_EQ(after.Object(), &engine);
    ThinkOnce(engine, 1);
    before.Remove();
    ThinkOnce(engine, 2);
    after.Remove();
    after.Remove();
    ThinkOnce(engine, 3);
    EXPECT_FALSE(before.IsInstalled() || after.IsInstalled());
    EXPECT_EQ(g_calls, (std::vector<std::string>{"before 1", "think 1", "after 1", "think 2",
                                                 "after 2", "think 3"}));
    EXPECT_FALSE(before.Install(nullptr));
}

}  // namespace
