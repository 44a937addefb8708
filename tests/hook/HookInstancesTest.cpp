#include <typeinfo>

#include "HookTestSupport.h"

namespace hooktest {
namespace {

using hosttest::Diamond;
using hosttest::MidA;
using hosttest::MidB;
using hosttest::Root;

std::vector<int>* gSeen = nullptr;

void noteSelf(ValueCall& call, int) {
    gSeen->push_back(call.self()->id);
}

class HookInstances : public HookTest {
protected:
    void SetUp() override { gSeen = &seen; }
    std::vector<int> seen;
};

TEST_F(HookInstances, AHookRunsOnlyForItsOwnObject) {
    Widget* hooked = hosttest::makeWidget(1);
    Widget* plain = hosttest::makeWidget(2);
    void* const* table = tableOf(plain);
    ASSERT_TRUE(hook::add<&Widget::value>(hooked, hook::Pre, &noteSelf));
    EXPECT_EQ(hosttest::callValue(plain, 0), 2);
    EXPECT_EQ(hosttest::callValue(hooked, 0), 1);
    EXPECT_EQ(seen, std::vector<int>{1});
    EXPECT_EQ(tableOf(plain), table);
    EXPECT_TRUE(hook::remove<&Widget::value>(hooked, hook::Pre, &noteSelf));
    hosttest::destroy(hooked);
    hosttest::destroy(plain);
}

TEST_F(HookInstances, HundredsOfObjectsSharingOneTableKeepTheirOwnHooks) {
    constexpr int kCount = 512;
    std::vector<Widget*> widgets;
    for (int i = 0; i < kCount; ++i) {
        widgets.push_back(hosttest::makeWidget(i));
    }
    void* const* table = tableOf(widgets[0]);
    for (Widget* widget : widgets) {
        ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &noteSelf));
    }
    EXPECT_EQ(hook::hookedObjects(), static_cast<std::size_t>(kCount));
    for (Widget* widget : widgets) {
        hosttest::callValue(widget, 0);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    }

    // Unhooking the odd ones leaves exactly the even ones hooked.
    for (int i = 1; i < kCount; i += 2) {
        ASSERT_TRUE(hook::remove<&Widget::value>(widgets[static_cast<std::size_t>(i)], hook::Pre,
                                                 &noteSelf));
        EXPECT_EQ(tableOf(widgets[static_cast<std::size_t>(i)]), table);
    }
    seen.clear();
    for (Widget* widget : widgets) {
        hosttest::callValue(widget, 0);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kCount / 2));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], static_cast<int>(2 * i));
    }

    for (int i = 0; i < kCount; i += 2) {
        ASSERT_TRUE(hook::remove<&Widget::value>(widgets[static_cast<std::size_t>(i)], hook::Pre,
                                                 &noteSelf));
    }
    for (Widget* widget : widgets) {
        EXPECT_EQ(tableOf(widget), table);
        hosttest::destroy(widget);
    }
}

TEST_F(HookInstances, ObjectsOfDifferentClassesShareAHandler) {
    Widget* widget = hosttest::makeWidget(1);
    Widget* gadget = hosttest::makeGadget(2);
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &noteSelf));
    ASSERT_TRUE(hook::add<&Widget::value>(gadget, hook::Pre, &noteSelf));
    EXPECT_EQ(hosttest::callValue(gadget, 5), -5);
    EXPECT_EQ(hosttest::callValue(widget, 5), 6);
    EXPECT_EQ(seen, (std::vector<int>{2, 1}));
    // Type queries read the shadow table's copy of the type information.
    EXPECT_EQ(typeid(*gadget), typeid(hosttest::Gadget));
    EXPECT_EQ(dynamic_cast<hosttest::Gadget*>(gadget), gadget);
    EXPECT_EQ(dynamic_cast<hosttest::Gadget*>(widget), nullptr);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &noteSelf));
    EXPECT_TRUE(hook::remove<&Widget::value>(gadget, hook::Pre, &noteSelf));
    hosttest::destroy(widget);
    hosttest::destroy(gadget);
}

TEST_F(HookInstances, ASecondBaseIsHookedThroughItsOwnTable) {
    hosttest::Both* both = hosttest::makeBoth();
    hosttest::Right* right = both;
    static hosttest::Right* self = nullptr;
    auto pre = [](hook::CallFor<&hosttest::Right::right>& call, int) { self = call.self(); };
    ASSERT_TRUE(hook::add<&hosttest::Right::right>(right, hook::Pre, +pre));
    EXPECT_EQ(hosttest::callRight(right, 1), 23);
    EXPECT_EQ(self, right);
    // Offset-to-top and type information come from the shadow of the
    // second base's table.
    EXPECT_EQ(dynamic_cast<hosttest::Both*>(right), both);
    EXPECT_EQ(dynamic_cast<void*>(right), static_cast<void*>(both));
    EXPECT_EQ(typeid(*right), typeid(hosttest::Both));
    EXPECT_TRUE(hook::remove<&hosttest::Right::right>(right, hook::Pre, +pre));
    hosttest::destroy(both);
}

TEST_F(HookInstances, VirtualBasesStillFindTheirOffsets) {
    Diamond* diamond = hosttest::makeDiamond();
    MidB* midB = diamond;
    Root* root = diamond;
    auto ignoreA = [](hook::CallFor<&MidA::midA>&, int) {};
    auto ignoreB = [](hook::CallFor<&MidB::midB>&, int) {};
    auto ignoreRoot = [](hook::CallFor<&Root::root>&, int) {};
    ASSERT_TRUE(hook::add<&MidA::midA>(diamond, hook::Pre, +ignoreA));
    ASSERT_TRUE(hook::add<&MidB::midB>(midB, hook::Pre, +ignoreB));
    ASSERT_TRUE(hook::add<&Root::root>(root, hook::Pre, +ignoreRoot));

    // Reaching the virtual base reads a virtual-base offset from before
    // each address point; the call through Root's table goes through a
    // thunk that reads a vcall offset there.
    EXPECT_EQ(static_cast<Root*>(static_cast<MidA*>(diamond)), root);
    EXPECT_EQ(static_cast<Root*>(midB), root);
    EXPECT_EQ(root->root(1), 201);
    EXPECT_EQ(midB->midB(1), 504);
    EXPECT_EQ(dynamic_cast<Diamond*>(root), diamond);
    EXPECT_EQ(dynamic_cast<Diamond*>(midB), diamond);

    EXPECT_TRUE(hook::remove<&MidA::midA>(diamond, hook::Pre, +ignoreA));
    EXPECT_TRUE(hook::remove<&MidB::midB>(midB, hook::Pre, +ignoreB));
    EXPECT_TRUE(hook::remove<&Root::root>(root, hook::Pre, +ignoreRoot));
    hosttest::destroy(diamond);
}

}  // namespace
}  // namespace hooktest
