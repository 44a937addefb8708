#include "HookTestSupport.h"

namespace hooktest {
namespace {

using hosttest::Both;
using hosttest::Right;

// A slot the test knows only by its index.
using Secret = hook::Manual<Widget, int(int), hosttest::kWidgetSlots>;
// Right::right in the table of Both's second base, reached from a Both*:
// past Left's table pointer and its long.
constexpr std::ptrdiff_t kRightOffset =
    sizeof(void*) + alignof(void*) * ((sizeof(long) + alignof(void*) - 1) / alignof(void*));
using RightOfBoth = hook::Manual<Both, int(int), 2, kRightOffset>;

class HookManual : public HookTest {};

TEST_F(HookManual, ASlotKnownOnlyByItsIndex) {
    Widget* widget = hosttest::makeSecretWidget(4);
    auto doubler = [](hook::CallOf<Secret>& call, int x) {
        call.supersede(call.callOriginal(x) * 2 + (call.self()->id == 4 ? 1 : 0));
    };
    ASSERT_TRUE(hook::add<Secret>(widget, hook::Pre, +doubler));
    EXPECT_EQ(hosttest::callSecret(widget, 3), 6009);
    EXPECT_EQ(hook::callOriginal<Secret>(widget, 3), 3004);
    EXPECT_EQ(widget->value(1), 5);  // the other slots are untouched
    EXPECT_TRUE(hook::remove<Secret>(widget, hook::Pre, +doubler));
    EXPECT_EQ(hosttest::callSecret(widget, 3), 3004);
    hosttest::destroy(widget);
}

TEST_F(HookManual, AThisOffsetLeadsToTheTableOfASecondBase) {
    Both* both = hosttest::makeBoth();
    Right* right = both;
    ASSERT_EQ(reinterpret_cast<char*>(right) - reinterpret_cast<char*>(both), kRightOffset);
    static Both* seen = nullptr;
    auto pre = [](hook::CallOf<RightOfBoth>& call, int x) {
        seen = call.self();
        call.supersede(-x);
    };
    ASSERT_TRUE(hook::add<RightOfBoth>(both, hook::Pre, +pre));
    EXPECT_EQ(hosttest::callRight(right, 5), -5);
    EXPECT_EQ(seen, both);  // the object the hook was added on, not the subobject
    EXPECT_EQ(hook::callOriginal<RightOfBoth>(both, 5), 27);
    EXPECT_EQ(both->left(1), 11);
    EXPECT_TRUE(hook::remove<RightOfBoth>(both, hook::Pre, +pre));
    EXPECT_EQ(hosttest::callRight(right, 5), 27);
    hosttest::destroy(both);
}

TEST_F(HookManual, ManualAndDeclaredHooksOfOneSlotShareItsChain) {
    using ValueSlot = hook::Manual<Widget, int(int), 2>;
    ASSERT_TRUE(hook::Virtual<&Widget::value>::resolve());
    EXPECT_EQ(hook::Virtual<&Widget::value>::index, 2u);

    Widget* widget = hosttest::makeWidget(0);
    auto plusOne = [](ValueCall& call, int x) { call.supersede(x + 1); };
    auto timesTen = [](ValueCall& call, int) { call.supersede(*call.originalResult() * 10); };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +plusOne));
    ASSERT_TRUE(hook::add<ValueSlot>(widget, hook::Post, +timesTen));
    EXPECT_EQ(hosttest::callValue(widget, 4), 50);
    EXPECT_EQ(hook::count<ValueSlot>(widget), 2u);
    EXPECT_TRUE(hook::remove<ValueSlot>(widget, hook::Pre, +plusOne));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, +timesTen));
    hosttest::destroy(widget);
}

TEST_F(HookManual, SlotsThatCannotMatchAreRefused) {
    Widget* widget = hosttest::makeWidget(0);
    using Beyond = hook::Manual<Widget, int(int), 500>;
    auto any = [](hook::CallOf<Beyond>&, int) {};
    EXPECT_FALSE(hook::add<Beyond>(widget, hook::Pre, +any));
    EXPECT_EQ(hook::hookedObjects(), 0u);

    // One slot, two views of it that hand handlers different types.
    using AsGadget = hook::Manual<hosttest::Gadget, int(int), 2>;
    hosttest::Gadget* gadget = hosttest::makeGadget(0);
    auto asWidget = [](ValueCall&, int) {};
    auto asGadget = [](hook::CallOf<AsGadget>&, int) {};
    ASSERT_TRUE(hook::add<&Widget::value>(gadget, hook::Pre, +asWidget));
    EXPECT_FALSE(hook::add<AsGadget>(gadget, hook::Pre, +asGadget));
    EXPECT_EQ(hook::count<&Widget::value>(gadget), 1u);
    EXPECT_TRUE(hook::remove<&Widget::value>(gadget, hook::Pre, +asWidget));
    hosttest::destroy(gadget);
    hosttest::destroy(widget);
}

}  // namespace
}  // namespace hooktest
