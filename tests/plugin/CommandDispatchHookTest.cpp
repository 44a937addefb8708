// A hook on one command's dispatch: it runs before the command and may stop
// it, goes in once, and comes off with the arguments it went on with.
#include "core/CommandDispatchHook.h"

#include <gtest/gtest.h>
#include <tier1/convar.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;

void RunCommand(const CCommand&) {
    g_calls.push_back("command");
}

class Guard {
public:
    void OnDispatch(CommandDispatchHook<Guard>::Call& call, const CCommand& args) {
        g_calls.push_back(std::string("guard ") + args.Arg(0));
        if (stop) {
            call.supersede();
        }
    }
    bool stop = false;
};

class CommandDispatchHookUnit : public ::testing::Test {
protected:
    void SetUp() override { g_calls.clear(); }
    void TearDown() override { hook.Remove(true); }

    void Dispatch() {
        CCommand args;
        args.Tokenize("guarded_pause now");
        // Through a pointer the compiler cannot see through, as the host's
        // console calls it: a direct call would skip the virtual table.
        ConCommand* volatile target = &command;
        target->Dispatch(args);
    }

    ConCommand command{"guarded_pause", RunCommand, "a command to guard"};
    Guard guard;
    CommandDispatchHook<Guard> hook{travik::hook::Pre, &guard, &Guard::OnDispatch};
};

TEST_F(CommandDispatchHookUnit, APreHookRunsFirstAndMayStopTheCommand) {
    ASSERT_TRUE(hook.Install(&command));
    EXPECT_EQ(hook.Command(), &command);
    Dispatch();
    guard.stop = true;
    Dispatch();
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{"guard guarded_pause", "command", "guard guarded_pause"}));
}

TEST_F(CommandDispatchHookUnit, ItGoesOnOnceAndComesOffWithItsOwnArguments) {
    ASSERT_TRUE(hook.Install(&command));
    EXPECT_FALSE(hook.Install(&command));
    EXPECT_EQ(travik::hook::count<&ConCommand::Dispatch>(&command), 1u);
    hook.Remove(true);
    EXPECT_FALSE(hook.IsInstalled());
    EXPECT_EQ(travik::hook::count<&ConCommand::Dispatch>(&command), 0u);
    Dispatch();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"command"}));
    // Without the host's command list there is no command to find by name.
    EXPECT_FALSE(hook.Install("guarded_pause"));
    EXPECT_FALSE(hook.Install(static_cast<ConCommand*>(nullptr)));
}

}  // namespace
