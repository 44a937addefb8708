#include "HookTestSupport.h"
#include "hook/MemoryMap.h"

namespace hooktest {
namespace {

using hook::MemoryMap;

bool writable(const void* address) {
    const MemoryMap map = MemoryMap::current();
    const MemoryMap::Region* region = map.find(address);
    return region != nullptr && region->write;
}

class HookSharedLibrary : public HookTest {};

TEST_F(HookSharedLibrary, TheHostsReadOnlyTablesAreUsedButNeverWritten) {
    Widget* widget = hosttest::makeWidget(1);
    void* const* table = tableOf(widget);
    ASSERT_FALSE(writable(table)) << "the host's virtual table should be read-only";
    const auto before = wordsAt(table, -2, hosttest::kWidgetSlots);
    auto pre = [](ValueCall& call, int x) { call.supersede(x * 3); };

    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +pre));
    EXPECT_EQ(hosttest::callValue(widget, 5), 15);
    EXPECT_FALSE(writable(table));
    EXPECT_EQ(wordsAt(table, -2, hosttest::kWidgetSlots), before);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +pre));
    EXPECT_EQ(tableOf(widget), table);
    hosttest::destroy(widget);
}

TEST_F(HookSharedLibrary, AnObjectInReadOnlyMemoryIsHookedAndProtectedAgain) {
    const hosttest::Constant& constant = hosttest::readOnlyConstant();
    ASSERT_FALSE(writable(&constant)) << "the constant object should be read-only";
    const auto pointerBefore = wordsAt(&constant, 0, 1);
    auto pre = [](hook::CallFor<&hosttest::Constant::peek>& call) {
        call.supersede(call.self()->id + 5);
    };

    ASSERT_TRUE(hook::add<&hosttest::Constant::peek>(&constant, hook::Pre, +pre));
    EXPECT_NE(wordsAt(&constant, 0, 1), pointerBefore);
    EXPECT_FALSE(writable(&constant));
    EXPECT_EQ(constant.peek(), 5);
    EXPECT_EQ(hook::callOriginal<&hosttest::Constant::peek>(&constant), 77);

    EXPECT_TRUE(hook::remove<&hosttest::Constant::peek>(&constant, hook::Pre, +pre));
    EXPECT_EQ(wordsAt(&constant, 0, 1), pointerBefore);
    EXPECT_FALSE(writable(&constant));
    EXPECT_EQ(constant.peek(), 77);
}

}  // namespace
}  // namespace hooktest
